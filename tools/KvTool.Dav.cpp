// kvtool dav-ls, dav-get and dav-props: a WebDAV folder seen through the read-only document storage.
#include <iostream>
#include <memory>

#include "Lib/Common/Common.Streams.h"
#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"
#include "Platform/File.h"
#include "tools/KvTool.Commands.h"

namespace Quellit::KvTool {
namespace {

using TStorage = TWebDAVReadOnlyVeskaStorage;

// A storage whose root is the folder at AUrl; the connection lives as long as the storage.
class TDavFolder {
 public:
  explicit TDavFolder(const std::string& AUrl) {
    FConnection->SetAddress(AUrl);
    FStorage.reset(Create<TStorage>(*FConnection));
  }
  TVeskaStorageEntries List() { return FStorage->LoadChildItems(); }

 private:
  std::unique_ptr<TWebDAVConnection, TFreeDeleter> FConnection{Create<TWebDAVConnection>()};
  std::unique_ptr<TStorage, TFreeDeleter> FStorage;
};

// The folder above AUrl, with its trailing "/".
std::string ParentUrl(const std::string& AUrl) {
  std::string Url = AUrl;
  if (!Url.empty() && Url.back() == '/') Url.pop_back();
  return Url.substr(0, Url.rfind('/') + 1);
}

// The entry at AUrl, found in its folder's listing (the storage offers no path lookup).
TIntf<IVeskaStorageEntry> FindEntryAt(TDavFolder& AParent, const std::string& AUrl) {
  for (const TIntf<IVeskaStorageEntry>& Entry : AParent.List())
    if (SameResourceUrl(dynamic_cast<TStorage::TEntry&>(*Entry).Url(), AUrl)) return Entry;
  throw Exception("no entry at " + AUrl);
}

// A server's name or URL must not break the one-line-per-entry format.
std::string Printable(std::string AText) {
  for (char& C : AText)
    if (static_cast<unsigned char>(C) < 0x20 || C == 0x7F) C = '?';
  return AText;
}

std::string EntryLine(const TIntf<IVeskaStorageEntry>& AEntry) {
  const auto& Entry = dynamic_cast<const TStorage::TEntry&>(*AEntry);
  const std::string NameAndUrl = Printable(Entry.Description()) + '\t' + Printable(Entry.Url());
  if (QueryIntf<IVeskaStorageFolder>(AEntry)) return "folder\t" + NameAndUrl;
  if (auto Document = QueryIntf<IVeskaStorageDocument>(AEntry))
    return "document\t" + DocTypeToStr(Document->GetProperties().DocType) + '\t' + NameAndUrl;
  return "file\t" + NameAndUrl;
}

// Streams to FILE; a failed download leaves no partial file behind.
void ReadInto(const TIntf<IVeskaStorageEntry>& AEntry, const std::string& AFileName) {
  try {
    TFileStream File(AFileName, fmCreate);
    if (auto Document = QueryIntf<IVeskaStorageDocument>(AEntry))
      Document->ReadData(File);
    else if (auto External = QueryIntf<IVeskaStorageExternalDocument>(AEntry))
      External->ReadData(File);
    else
      throw Exception("a folder has no content");
  } catch (...) {
    Platform::DeleteFile(AFileName);
    throw;
  }
}

}  // namespace

int RunDavLs(const TArguments& AArguments) {
  if (AArguments.size() != 1) throw EUsageError("dav-ls: one URL");
  TDavFolder Folder(AArguments.front());
  for (const TIntf<IVeskaStorageEntry>& Entry : Folder.List()) std::cout << EntryLine(Entry) << '\n';
  return std::cout.flush() ? 0 : 1;
}

int RunDavGet(const TArguments& AArguments) {
  if (AArguments.size() != 2) throw EUsageError("dav-get: a URL and a file");
  TDavFolder Parent(ParentUrl(AArguments[0]));
  ReadInto(FindEntryAt(Parent, AArguments[0]), AArguments[1]);
  return 0;
}

int RunDavProps(const TArguments& AArguments) {
  if (AArguments.size() != 1) throw EUsageError("dav-props: one URL");
  TDavFolder Parent(ParentUrl(AArguments[0]));
  TIntf<IVeskaStorageDocument> Document = QueryIntf<IVeskaStorageDocument>(FindEntryAt(Parent, AArguments[0]));
  if (!Document) throw Exception(AArguments[0] + " is not a product document");
  TMemoryStream Text;
  Document->GetProperties().SaveToStream(Text);
  std::cout.write(reinterpret_cast<const char*>(Text.Memory()), static_cast<std::streamsize>(Text.Size()));
  return std::cout.flush() ? 0 : 1;
}

}  // namespace Quellit::KvTool
