#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string_view>
#include <vector>

#include "Lib/Common/Common.Net.WebDAV.h"
#include "Lib/Common/Common.Net.WinInet.h"
#include "Lib/Common/Common.Net.h"
#include "Lib/Common/Common.Numbers.h"
#include "Lib/Common/Common.StringUtils.h"
#include "Lib/Common/Common.SystemUtils.h"
#include "Modules/Korvel/Common/Kv_Storage.ConnectionPool.h"
#include "Platform/File.h"
#include "Platform/Path.h"
#include "Platform/KnownFolders.h"
#include "Platform/ReplacementFile.h"
#include "Platform/ShellOpen.h"
#include "Platform/SystemError.h"
#include "Platform/TemporaryFolder.h"

namespace Quellit {

// ---- connections ----------------------------------------------------------------------------------

const TClassInfo& TWebDAVConnection::StaticClassInfo() {
  static const TClassInfo Info =
      TClassInfoBuilder<TWebDAVConnection>(&TServerConnection::StaticClassInfo(), Attributes(TDisplayName("Сервер WebDAV")))
          .Build();
  return Info;
}
QUELLIT_REGISTER_CLASS(TWebDAVConnection);

// A display name of its own: the pool names a loaded site connection without a caption by it.
const TClassInfo& TKorvelRuVeskaStorage::TConnection::StaticClassInfo() {
  static const TClassInfo Info =
      TClassInfoBuilder<TConnection>(&TWebDAVConnection::StaticClassInfo(), Attributes(TDisplayName(KorvelSiteHost)))
          .Build();
  return Info;
}
QUELLIT_REGISTER_CLASS(TKorvelRuVeskaStorage::TConnection);

TKorvelRuVeskaStorage::TConnection* TKorvelRuVeskaStorage::AddConnectionToPool(TConnectionsPool& APool) {
  std::unique_ptr<TConnection, TFreeDeleter> Result(Create<TConnection>());
  Result->SetCaption(KorvelSiteHost);
  APool.AddConnection(Result.get());
  return Result.release();
}

void RegisterKorvelRuConnection() {
  TConnectionsFactory::RegisterConnectionClass(ClassOf<TKorvelRuVeskaStorage::TConnection>());
}

namespace {

// ---- comparing URLs ---------------------------------------------------------------------------------

// A child always has a segment more than its folder, so none is taken for the folder itself.
bool IsFolderItself(const TComparableUrl& AUrl, const TComparableUrl& AFolder) {
  return StartsWithFolder(AUrl, AFolder) && AUrl.Segments.size() == AFolder.Segments.size();
}

bool IsBelowFolder(const TComparableUrl& AUrl, const TComparableUrl& AFolder) {
  return StartsWithFolder(AUrl, AFolder) && AUrl.Segments.size() > AFolder.Segments.size();
}

// ---- listing --------------------------------------------------------------------------------------

// The document kind a resource declares, or -1 when it declares none that exists.
int DeclaredDocType(const TPropFindEntry& AEntry) {
  int Ordinal = StrToIntDef(AEntry.PropertyText(VeskaNamespace, "VeskaDocType"), -1);
  return (Ordinal >= sdtVeska && Ordinal <= sdtDocSummary) ? Ordinal : -1;
}

// The URL as the user reads it; the raw text when it does not decode.
std::string ReadableUrl(const std::string& AUrl) {
  try {
    return UrlDecode(AUrl);
  } catch (const EConvertError&) {
    return AUrl;
  }
}

void PrefixListingError(Exception& AError, const std::string& AUrl) {
  AError.SetMessage("Ошибка получении дочерних элементов по ссылке\r\n" + MaskUrlCredentials(ReadableUrl(AUrl)) +
                    "\r\nТекст ошибки: " + AError.Message());
}

template <class T>
TIntf<IVeskaStorageEntry> AsEntry(T* AEntry) {
  return TIntf<IVeskaStorageEntry>(AEntry);
}

bool StartsWithText(std::string_view S, std::string_view APrefix) {
  return S.size() >= APrefix.size() && SameText(S.substr(0, APrefix.size()), APrefix);
}

// ---- local file names -----------------------------------------------------------------------------

// Separators of both platforms and what no file name on the product's platform can hold.
bool ForbiddenInFileName(unsigned char C) { return C < 0x20 || C == 0x7F || std::strchr("/\\:*?\"<>|", C) != nullptr; }

// File systems hold names of at most 255 bytes.
constexpr std::size_t MaxFileNameBytes = 255;

void CutAtCharacterBoundary(std::string& AName, std::size_t AMaxBytes) {
  if (AName.size() <= AMaxBytes) return;
  std::size_t Cut = AMaxBytes;
  while (Cut > 0 && (static_cast<unsigned char>(AName[Cut]) & 0xC0) == 0x80) --Cut;
  AName.resize(Cut);
}

}  // namespace

std::string SafeLocalFileName(const std::string& AName) {
  std::string Name = AName;
  for (char& C : Name)
    if (ForbiddenInFileName(static_cast<unsigned char>(C))) C = '_';
  // "." and ".." name folders, and a leading dot would hide the file.
  Name.erase(0, Name.find_first_not_of('.'));
  CutAtCharacterBoundary(Name, MaxFileNameBytes);
  return Name.empty() ? "document" : Name;
}

bool SameResourceUrl(const std::string& A, const std::string& B) {
  return IsFolderItself(ComparableUrl(WithDefaultScheme(A)), ComparableUrl(WithDefaultScheme(B)));
}

std::string WithDefaultScheme(const std::string& AUrl) {
  return AUrl.empty() || AUrl.find("://") != std::string::npos ? AUrl : "http://" + AUrl;
}

// ---- storage --------------------------------------------------------------------------------------

TWebDAVReadOnlyVeskaStorage::TWebDAVReadOnlyVeskaStorage(TWebDAVConnection& AConnection)
    : TWebDAVReadOnlyVeskaStorage(AConnection, StorageClassOf<TWebDAVReadOnlyVeskaStorage>()) {}

TWebDAVReadOnlyVeskaStorage::TWebDAVReadOnlyVeskaStorage(TWebDAVConnection& AConnection, const TVeskaStorageClass& AClass)
    : TVeskaStorageOf<TWebDAVConnection>(AConnection, AClass) {
  // The credentials stay with the storage and go with every request, never into an entry's URL.
  // An address that does not parse keeps its text: the first request reports it.
  try {
    TUri Address(AConnection.Address());
    FLogin = Address.UserName();
    FPassword = Address.Password();
  } catch (const Exception&) {
  }
  FAddress = WithDefaultScheme(UrlWithoutCredentials(AConnection.Address()));
  FRoot = TIntf<IVeskaStorageFolder>(Create<TFolder>(*this, FAddress, "", 0));
}

void TWebDAVReadOnlyVeskaStorage::ConfigureClient(TWinInetWebClient& AClient) const {
  AClient.Login = FLogin;
  AClient.Password = FPassword;
  AClient.IgnoreCertificateErrors = IgnoreCertificateErrors;
  AClient.TrustedCertificatesFile = TrustedCertificatesFile;
  AClient.PropFindTimeout = PropFindTimeout;
  AClient.TransferTimeout = TransferTimeout;
}

TWebDAVReadOnlyVeskaStorage::~TWebDAVReadOnlyVeskaStorage() = default;

int TWebDAVReadOnlyVeskaStorage::ImageIndexByKind(int AKind) {
  switch (AKind) {
    case 0: return 18;
    case 1: return 15;
    case 2: return 2;
    default: return -1;
  }
}

std::string TWebDAVReadOnlyVeskaStorage::AbsoluteUrl(const std::string& AHref) const {
  if (StartsWithText(AHref, "http://") || StartsWithText(AHref, "https://")) return UrlWithoutCredentials(AHref);
  TUri Address(FAddress);
  std::string Origin = Address.ProtocolOrDefault("http") + "://" + Address.Host();
  if (Address.Port() != 0) Origin += ":" + std::to_string(Address.Port());
  return JoinWithSeparator(Origin, AHref, '/');
}

TKorvelRuVeskaStorage::TKorvelRuVeskaStorage(TConnection& AConnection)
    : TWebDAVReadOnlyVeskaStorage(AConnection, StorageClassOf<TKorvelRuVeskaStorage>()) {}

// ---- entries --------------------------------------------------------------------------------------

TWebDAVReadOnlyVeskaStorage::TEntry::TEntry(TWebDAVReadOnlyVeskaStorage& AStorage, const std::string& AUrl,
                                            const std::string& ADescription, TDateTime AChangeDate)
    : FDescription(ADescription), FUrl(AUrl), FStorage(&AStorage), FDateCreate(AChangeDate), FDateChange(AChangeDate) {}

void TWebDAVReadOnlyVeskaStorage::TEntry::RaiseReadOnly() const { throw EVeskaStorageError::ItemIsReadOnly(FDescription); }

void TWebDAVReadOnlyVeskaStorage::TFolder::SetProperties(const TFolderProperties&) { RaiseReadOnly(); }
TIntf<IVeskaStorageFolder> TWebDAVReadOnlyVeskaStorage::TFolder::CreateFolder(const std::string&) { RaiseReadOnly(); }
TIntf<IVeskaStorageDocument> TWebDAVReadOnlyVeskaStorage::TFolder::CreateDocument(const std::string&,
                                                                                  const TKvDocCommonProperties&, TStream&) {
  RaiseReadOnly();
}
TIntf<IVeskaStorageExternalDocument> TWebDAVReadOnlyVeskaStorage::TFolder::CreateExternalDocument(const std::string&,
                                                                                                  TStream&) {
  RaiseReadOnly();
}

TIntf<IVeskaStorageEntry> TWebDAVReadOnlyVeskaStorage::TFolder::FindEntry(const std::string&) {
  throw Exception("TFolder.FindEntry не реализовано");
}

TVeskaStorageEntries TWebDAVReadOnlyVeskaStorage::TFolder::LoadChildItems() {
  TSharedPtr<TPropFind> Listing;
  try {
    TWinInetWebClient Client;
    Storage().ConfigureClient(Client);
    Listing = ExecutePropFind(Client, Url());
  } catch (EHttpStatusException& E) {
    PrefixListingError(E, Url());
    throw;
  } catch (EWinInetException& E) {
    PrefixListingError(E, Url());
    throw;
  }
  return ChildItemsOf(*Listing);
}

TVeskaStorageEntries TWebDAVReadOnlyVeskaStorage::TFolder::ChildItemsOf(const TPropFind& AListing) {
  const TComparableUrl Folder = ComparableUrl(WithDefaultScheme(Url()));
  TVeskaStorageEntries Result;
  Result.reserve(AListing.Entries().size());
  // The answer's parse already left out entries whose href does not decode or lies elsewhere.
  FSkippedEntries = AListing.SkippedEntryCount();
  for (const std::unique_ptr<TPropFindEntry>& Entry : AListing.Entries()) {
    const std::string EntryUrl = Storage().AbsoluteUrl(Entry->Url());
    const TComparableUrl Comparable = ComparableUrl(WithDefaultScheme(EntryUrl));
    if (IsFolderItself(Comparable, Folder)) continue;
    // Entries elsewhere would have the user download from wherever the server points.
    if (!IsBelowFolder(Comparable, Folder)) {
      ++FSkippedEntries;
      continue;
    }
    Result.push_back(MakeChild(*Entry, EntryUrl));
  }
  return Result;
}

TIntf<IVeskaStorageEntry> TWebDAVReadOnlyVeskaStorage::TFolder::MakeChild(const TPropFindEntry& AEntry,
                                                                          const std::string& AUrl) {
  if (AEntry.IsContainer())
    return AsEntry(Create<TFolder>(Storage(), AUrl, AEntry.EntryName(), AEntry.ChangeDate()));
  int DocType = DeclaredDocType(AEntry);
  if (DocType >= 0)
    return AsEntry(Create<TDocument>(Storage(), AUrl, AEntry.EntryName(), AEntry.ChangeDate(),
                                                            static_cast<TVeskaDocumentType>(DocType)));
  return AsEntry(
      Create<TExternalDocument>(Storage(), AUrl, AEntry.EntryName(), AEntry.ChangeDate()));
}

TWebDAVReadOnlyVeskaStorage::TDocument::TDocument(TWebDAVReadOnlyVeskaStorage& AStorage, const std::string& AUrl,
                                                  const std::string& ADescription, TDateTime AChangeDate,
                                                  TVeskaDocumentType ADocType)
    : TEntryOf(AStorage, AUrl, ADescription, AChangeDate), FDocType(ADocType) {}

namespace {

void Download(const TWebDAVReadOnlyVeskaStorage& AStorage, const std::string& AUrl, TStream& AData) {
  TWinInetWebClient Client;
  AStorage.ConfigureClient(Client);
  Client.DownloadData(AUrl, AData);
}

}  // namespace

TIntf<IVeskaStorageOpenedDocument> TWebDAVReadOnlyVeskaStorage::TDocument::OpenAndLockData(TStream& AData) {
  try {
    Download(Storage(), Url(), AData);
  } catch (const EHttpStatusException& E) {
    // Created inside the handler, the storage error keeps the HTTP error as its inner exception.
    if (E.StatusCode == 404) throw EVeskaStorageError::ItemNotFound(Description());
    throw;
  }
  return TIntf<IVeskaStorageOpenedDocument>(
      new TVeskaStorageReadOnlyOpenedDocument(TIntf<IVeskaStorageDocument>(this), ""));
}

void TWebDAVReadOnlyVeskaStorage::TDocument::ReadData(TStream& AData) { Download(Storage(), Url(), AData); }

void TWebDAVReadOnlyVeskaStorage::TExternalDocument::ReadData(TStream& AData) { Download(Storage(), Url(), AData); }

std::string PrivateCopiesFolder() {
  static std::mutex Lock;
  static std::string TempRoot, Folder;
  std::lock_guard<std::mutex> Guard(Lock);
  // A test or the user may point the temporary folder elsewhere between two calls.
  const std::string Root = Platform::TempFolderPath();
  if (Folder.empty() || Root != TempRoot || !Platform::IsPrivateFolder(Folder)) {
    Folder = Platform::CreatePrivateTemporaryFolder("quellit-copies-");
    TempRoot = Root;
  }
  return Folder;
}

std::string TWebDAVReadOnlyVeskaStorage::TExternalDocument::EditFileName() const {
  return Platform::CombinePath(PrivateCopiesFolder(), SafeLocalFileName(Description()));
}

void TWebDAVReadOnlyVeskaStorage::TExternalDocument::Edit() {
  const std::string FileName = EditFileName();
  // Beside the earlier copy until complete; one rename then replaces it, read-only as it is.
  Platform::TReplacementFile File(FileName);
  THandleStream Data(File.Handle());
  Download(Storage(), Url(), Data);
  // A reminder to the user that changes to the copy go nowhere; set on the file this call made.
  File.SetReadOnly();
  File.Commit();
  Platform::OpenWithDefaultApplication(FileName);
}

}  // namespace Quellit
