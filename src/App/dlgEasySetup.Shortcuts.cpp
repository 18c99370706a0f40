#include "App/dlgEasySetup.Shortcuts.h"

#include <algorithm>
#include <vector>

#include "App/dlgEasySetup.UpdateEngine.h"
#include "App/dlgEasySetup.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/DesktopShortcut.h"
#include "Platform/File.h"
#include "Platform/Folder.h"
#include "Platform/Path.h"
#include "Platform/TextCodec.h"

namespace Quellit {

namespace {

const char* const LinkNameFile = "linkname.txt";

void ExpandWithAncestors(IEasySetupView& AView, TTreeNodeId ANode) {
  for (TTreeNodeId Node = ANode; Node != NoTreeNode; Node = AView.NodeParent(Node)) AView.Expand(Node);
}

std::string FirstLineOf(const std::string& AFileName) {
  std::vector<std::uint8_t> Bytes = Platform::ReadFileStart(AFileName, 64 * 1024);  // a name is far shorter
  std::string Text = Platform::DecodeText(std::string(Bytes.begin(), Bytes.end())).Text;
  return Text.substr(0, Text.find_first_of("\r\n"));
}

// Characters no file name on the product's platform can hold, and the separators of both.
bool ForbiddenInName(unsigned char C) {
  return C < 0x20 || C == '/' || C == '\\' || C == ':' || C == '*' || C == '?' || C == '"' || C == '<' ||
         C == '>' || C == '|';
}

struct TShortcutSource {
  std::string Target, Source;
};

TShortcutSource SourceOf(const TfrmEasySetup& AForm, const TDataEntry& AEntry) {
  if (AEntry.EntryKind == 0) return {AForm.VeskaCommonFolder + AEntry.Name, AForm.ClientPayload() + AEntry.Name};
  return {AForm.VeskaAppFolder + AEntry.Name, AForm.ProductPayload() + AEntry.Name};
}

void CreateShortcutOf(TfrmEasySetup& AForm, const TDataEntry& AEntry) {
  TShortcutSource Paths = SourceOf(AForm, AEntry);
  std::string FolderName = Platform::ExtractFileName(Platform::ExcludeTrailingPathDelimiter(Paths.Target));
  if (!Platform::DirectoryExists(Paths.Target)) return CreateDesktopShortcut(AForm, Paths.Target, FolderName);
  std::string NameFile = Platform::IncludeTrailingPathDelimiter(Paths.Source) + LinkNameFile;
  std::string LinkName =
      Platform::FileExists(NameFile) ? CleanLinkName(FirstLineOf(NameFile), FolderName) : FolderName;
  CreateDesktopShortcut(AForm, Paths.Target, LinkName);
}

// An error message on one line of the status log.
std::string OneLine(std::string AText) {
  for (char& C : AText)
    if (C == '\n' || C == '\r') C = ' ';
  return AText;
}

// A shortcut that cannot be written (a desktop that is a file, a full disk, an unreadable
// linkname.txt) is that shortcut's failure only: it is logged, the others are still made and the
// wizard goes on. One message box names them all, as the log is hidden on the tree pages.
void MakeCheckedShortcuts(TfrmEasySetup& AForm) {
  IEasySetupView& View = AForm.View();
  std::string Failed;
  for (int I = 0; I < View.NodeCount(); ++I) {
    TTreeNodeId Node = View.NodeByIndex(I);
    if (!View.GetChecked(Node)) continue;
    const TDataEntry& Entry = AForm.DataList.at(static_cast<std::size_t>(View.NodeData(Node)));
    try {
      CreateShortcutOf(AForm, Entry);
    } catch (const std::exception& E) {
      View.AppendStatusLine("Ошибка создания ярлыка \"" + Entry.Name + "\": " + OneLine(E.what()));
      Failed += "\n" + Entry.Name;
    }
  }
  if (!Failed.empty())
    View.ShowMessageBox("Внимание !!!", "Не удалось создать ярлыки на рабочем столе для:" + Failed, miWarning);
}

void PrepareConnectionsTree(TfrmEasySetup& AForm) {
  IEasySetupView& View = AForm.View();
  // Taken once: every deletion changes the indexes, and asking again after each one would make
  // large payloads quadratic. Going backwards, a deleted subtree never holds a node still to come.
  std::vector<TTreeNodeId> Nodes;
  for (int I = 0; I < View.NodeCount(); ++I) Nodes.push_back(View.NodeByIndex(I));
  for (auto It = Nodes.rbegin(); It != Nodes.rend(); ++It) {
    TTreeNodeId Node = *It;
    const TDataEntry& Entry = AForm.DataList.at(static_cast<std::size_t>(View.NodeData(Node)));
    bool Checked = AForm.IsAutoConnection(Platform::IncludeTrailingPathDelimiter(Entry.Name));
    View.SetChecked(Node, Checked, false);
    std::string Folder = Entry.EntryKind == 0 ? AForm.VeskaCommonFolder : AForm.VeskaAppFolder;
    if (Platform::FileExists(Folder + Entry.Name))
      View.DeleteNode(Node);
    else if (Checked)
      ExpandWithAncestors(View, Node);
  }
}

}  // namespace

TTreeNodeId AddPayloadNode(TfrmEasySetup& AForm, TTreeNodeId AParent, const std::string& ARelPath,
                           const std::string& AName, bool AIsFolder) {
  IEasySetupView& View = AForm.View();
  TTreeNodeId Node = AIsFolder ? View.AddChildFirst(AParent, AName) : View.AddChildLast(AParent, AName);
  View.SetNodeImageIndex(Node, View.GetIconIndex(AForm.ProductPayload() + ARelPath + AName));
  View.SetNodeData(Node, static_cast<int>(AForm.DataList.size()));
  std::string Key = AIsFolder ? Platform::JoinFolderPath(ARelPath, AName) : ARelPath + AName;
  if (AForm.IsAutoLink(Key)) {
    View.SetChecked(Node, true, AIsFolder);
    ExpandWithAncestors(View, Node);
  }
  return Node;
}

std::string CleanLinkName(const std::string& AFirstLine, const std::string& AFallback) {
  std::string Name = AFirstLine;
  for (char& C : Name)
    if (ForbiddenInName(static_cast<unsigned char>(C))) C = '_';
  // A leading dot would hide the shortcut on the desktop (and "." or ".." name no file at all).
  Name = Trim(Name.substr(std::min(Name.find_first_not_of(". "), Name.size())));
  return Name.empty() ? AFallback : Name;
}

// The one place a shortcut file comes into being. A missing desktop folder is created first,
// as a fresh account may not have one yet.
void CreateDesktopShortcut(TfrmEasySetup& AForm, const std::string& ATarget, const std::string& ALinkName) {
  std::string Link = Platform::DesktopShortcutPath(ALinkName);
  Platform::ForceDirectories(Platform::ExcludeTrailingPathDelimiter(Platform::ExtractFilePath(Link)));
  AForm.Engine().RecordShortcut(Link);
  Platform::WriteDesktopShortcut(Link, ALinkName, ATarget, Platform::ExtractFilePath(ATarget));
  AForm.ShortCutList.push_back(Link);
}

void CreateShortcuts(TfrmEasySetup& AForm) {
  IEasySetupView& View = AForm.View();
  MakeCheckedShortcuts(AForm);
  if (View.NodeCount() > 0) View.Collapse(View.NodeByIndex(0), true);
  PrepareConnectionsTree(AForm);
}

}  // namespace Quellit
