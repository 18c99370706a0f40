#include "App/dlgEasySetup.Connections.h"

#include <memory>

#include "App/dlgEasySetup.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Modules/Korvel/Common/Kv_Storage.ConnectionPool.h"
#include "Modules/Korvel/Common/Kv_Storage.FileSystemConnection.h"
#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"
#include "Platform/File.h"
#include "Platform/Path.h"

namespace Quellit {

namespace {

void AddSiteConnection(TConnectionsPool& APool) {
  if (!APool.FindConnection(TKorvelRuVeskaStorage::TConnection::ClassID()))
    TKorvelRuVeskaStorage::AddConnectionToPool(APool);
}

// A folder already in the pool keeps its own connection (and caption).
void AddFolderConnection(TConnectionsPool& APool, const std::string& APath) {
  std::unique_ptr<TFileSystemConnection, TFreeDeleter> Connection(Create<TFileSystemConnection>());
  Connection->SetAddress(APath);
  Connection->SetUsages({Veska});
  Connection->SetCaption(Platform::ExtractFileName(APath));
  if (APool.FindConnection(TFileSystemConnection::ClassID(), APath)) return;
  APool.AddConnection(Connection.get());
  Connection.release();
}

void AddNodeConnection(TfrmEasySetup& AForm, TConnectionsPool& APool, TTreeNodeId ANode) {
  IEasySetupView& View = AForm.View();
  if (SameText(View.NodeText(ANode), KorvelSiteHost)) return AddSiteConnection(APool);
  const TDataEntry& Entry = AForm.DataList.at(static_cast<std::size_t>(View.NodeData(ANode)));
  std::string Root = Entry.EntryKind == 0 ? AForm.VeskaCommonFolder : AForm.VeskaAppFolder;
  std::string Path = Platform::ExcludeTrailingPathDelimiter(Root + Entry.Name);
  if (Platform::DirectoryExists(Path)) AddFolderConnection(APool, Path);
}

}  // namespace

void AddConnections(TfrmEasySetup& AForm) {
  IEasySetupView& View = AForm.View();
  TConnectionsPool Pool;
  Pool.LoadFromOptionsStorage(false);
  for (int I = 0; I < View.NodeCount(); ++I) {
    TTreeNodeId Node = View.NodeByIndex(I);
    if (View.GetChecked(Node)) AddNodeConnection(AForm, Pool, Node);
  }
  Pool.SaveToOptionsStorage();
}

}  // namespace Quellit
