// kvtool dav-ls, dav-get, dav-props and dav-open: a WebDAV folder seen through the read-only
// document storage.
#include <iostream>
#include <memory>

#include "Lib/Common/Common.Net.h"
#include "Lib/Common/Common.Streams.h"
#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"
#include "Platform/File.h"
#include "Platform/ReplacementFile.h"
#include "tools/KvTool.Commands.h"

namespace Quellit::KvTool {
namespace {

using TStorage = TWebDAVReadOnlyVeskaStorage;

// How the requests are trusted: "--cacert FILE" adds certificates to the system's, "--insecure"
// accepts any certificate. Both may stand anywhere among the arguments.
struct TTrust {
  std::string CertificatesFile;
  bool Insecure = false;
};

TArguments TakeTrustOptions(const std::string& ACommand, const TArguments& AArguments, TTrust& ATrust) {
  TArguments Rest;
  for (std::size_t I = 0; I < AArguments.size(); ++I) {
    if (AArguments[I] == "--insecure") {
      ATrust.Insecure = true;
    } else if (AArguments[I] == "--cacert") {
      if (I + 1 == AArguments.size()) throw EUsageError(ACommand + ": --cacert needs a FILE");
      ATrust.CertificatesFile = AArguments[++I];
    } else {
      Rest.push_back(AArguments[I]);
    }
  }
  if (ATrust.Insecure)
    std::cerr << "kvtool: warning: --insecure: certificates are not verified, anyone on the network can "
                 "pose as the server\n";
  return Rest;
}

// A storage whose root is the folder at AUrl; the connection lives as long as the storage.
class TDavFolder {
 public:
  TDavFolder(const std::string& AUrl, const TTrust& ATrust) {
    FConnection->SetAddress(AUrl);
    FStorage.reset(Create<TStorage>(*FConnection));
    FStorage->IgnoreCertificateErrors = ATrust.Insecure;
    FStorage->TrustedCertificatesFile = ATrust.CertificatesFile;
  }
  TVeskaStorageEntries List() {
    TVeskaStorageEntries Result = FStorage->LoadChildItems();
    int Skipped = dynamic_cast<TStorage::TFolder&>(*FStorage->Root()).SkippedEntries();
    if (Skipped > 0)
      std::cerr << "kvtool: warning: " << Skipped << " entries of the answer are not below "
                << MaskUrlCredentials(FStorage->Address()) << " and were left out\n";
    return Result;
  }

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
  throw Exception("no entry at " + MaskUrlCredentials(AUrl));
}

// A server's name or URL must not break the one-line-per-entry format.
std::string Printable(std::string AText) {
  for (char& C : AText)
    if (static_cast<unsigned char>(C) < 0x20 || C == 0x7F) C = '?';
  return AText;
}

std::string EntryLine(const TIntf<IVeskaStorageEntry>& AEntry) {
  const auto& Entry = dynamic_cast<const TStorage::TEntry&>(*AEntry);
  const std::string NameAndUrl = Printable(Entry.Description()) + '\t' + Printable(MaskUrlCredentials(Entry.Url()));
  if (QueryIntf<IVeskaStorageFolder>(AEntry)) return "folder\t" + NameAndUrl;
  if (auto Document = QueryIntf<IVeskaStorageDocument>(AEntry))
    return "document\t" + DocTypeToStr(Document->GetProperties().DocType) + '\t' + NameAndUrl;
  return "file\t" + NameAndUrl;
}

// Written beside FILE and renamed into place once complete: a failed download leaves an existing
// FILE byte for byte as it was, and nothing new behind.
void ReadInto(const TIntf<IVeskaStorageEntry>& AEntry, const std::string& AFileName) {
  auto Document = QueryIntf<IVeskaStorageDocument>(AEntry);
  auto External = QueryIntf<IVeskaStorageExternalDocument>(AEntry);
  if (!Document && !External) throw Exception("a folder has no content");
  Platform::TReplacementFile File(AFileName);
  THandleStream Data(File.Handle());
  if (Document)
    Document->ReadData(Data);
  else
    External->ReadData(Data);
  File.Commit();
}

}  // namespace

int RunDavLs(const TArguments& AArguments) {
  TTrust Trust;
  TArguments Arguments = TakeTrustOptions("dav-ls", AArguments, Trust);
  if (Arguments.size() != 1) throw EUsageError("dav-ls: one URL");
  TDavFolder Folder(Arguments.front(), Trust);
  for (const TIntf<IVeskaStorageEntry>& Entry : Folder.List()) std::cout << EntryLine(Entry) << '\n';
  return std::cout.flush() ? 0 : 1;
}

int RunDavGet(const TArguments& AArguments) {
  TTrust Trust;
  TArguments Arguments = TakeTrustOptions("dav-get", AArguments, Trust);
  if (Arguments.size() != 2) throw EUsageError("dav-get: a URL and a file");
  TDavFolder Parent(ParentUrl(Arguments[0]), Trust);
  ReadInto(FindEntryAt(Parent, Arguments[0]), Arguments[1]);
  return 0;
}

int RunDavProps(const TArguments& AArguments) {
  TTrust Trust;
  TArguments Arguments = TakeTrustOptions("dav-props", AArguments, Trust);
  if (Arguments.size() != 1) throw EUsageError("dav-props: one URL");
  TDavFolder Parent(ParentUrl(Arguments[0]), Trust);
  TIntf<IVeskaStorageDocument> Document = QueryIntf<IVeskaStorageDocument>(FindEntryAt(Parent, Arguments[0]));
  if (!Document) throw Exception(MaskUrlCredentials(Arguments[0]) + " is not a product document");
  TMemoryStream Text;
  Document->GetProperties().SaveToStream(Text);
  std::cout.write(reinterpret_cast<const char*>(Text.Memory()), static_cast<std::streamsize>(Text.Size()));
  return std::cout.flush() ? 0 : 1;
}

int RunDavOpen(const TArguments& AArguments) {
  TTrust Trust;
  TArguments Arguments = TakeTrustOptions("dav-open", AArguments, Trust);
  if (Arguments.size() != 1) throw EUsageError("dav-open: one URL");
  TDavFolder Parent(ParentUrl(Arguments[0]), Trust);
  TIntf<IVeskaStorageEntry> Entry = FindEntryAt(Parent, Arguments[0]);
  TIntf<IVeskaStorageExternalDocument> External = QueryIntf<IVeskaStorageExternalDocument>(Entry);
  if (!External) throw Exception(MaskUrlCredentials(Arguments[0]) + " is not a file the desktop opens");
  External->Edit();
  std::cout << dynamic_cast<TStorage::TExternalDocument&>(*External).EditFileName() << '\n';
  return std::cout.flush() ? 0 : 1;
}

}  // namespace Quellit::KvTool
