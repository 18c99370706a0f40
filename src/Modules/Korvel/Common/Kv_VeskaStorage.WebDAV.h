// Document storages over WebDAV and their connections: any WebDAV server ("KV.WebDAV.ReadOnly"),
// and the product's own public site ("KV.Korvel.Ru.VeskaDocs").
//
// The storage only reads: folders are listed with PROPFIND, bodies downloaded with GET, and every
// modifying operation is refused. What a server answers is not trusted: a listing keeps only
// entries on the folder's own server below the folder, and a name the server chose becomes a
// local file name only after it has been made safe.
#pragma once

#include <cstdint>
#include <string>

#include "Modules/Korvel/Common/Kv_Storage.Types.h"
#include "Modules/Korvel/Common/Kv_VeskaStorage.Types.h"

namespace Quellit {

class TConnectionsPool;

// The host of the product's public site: the caption of its built-in connection, and the label
// the wizard shows for it.
inline constexpr const char* KorvelSiteHost = "korvel.ru";

// Connecting only marks the connection: each storage access opens its own network connection.
class TWebDAVConnection : public TServerConnection {
 public:
  static std::string ClassID() { return "KV.WebDAV.ReadOnly"; }
  static TStorageKinds SupportedKinds() { return {Veska}; }
  const TConnectionClass& ConnectionClass() const override { return ClassOf<TWebDAVConnection>(); }

  bool Connected() const override { return FConnected; }
  std::string Address() const override { return FAddress; }
  void SetAddress(const std::string& AValue) override { FAddress = AValue; }
  void Connect(const std::string&, const std::string&) override { FConnected = true; }
  void Disconnect() override { FConnected = false; }

  static const TClassInfo& StaticClassInfo();

 private:
  std::string FAddress;
  bool FConnected = false;
};

class TPropFind;
class TPropFindEntry;
class TWinInetWebClient;

// The product's XML namespace; a resource is a product document when its property "VeskaDocType"
// in this namespace holds the ordinal of a document kind.
inline constexpr const char* VeskaNamespace = "http://korvel.ru/ns/veska";

class TWebDAVReadOnlyVeskaStorage : public TVeskaStorageOf<TWebDAVConnection> {
 public:
  class TEntry;
  template <class I>
  class TEntryOf;
  class TFolder;
  class TDocument;
  class TExternalDocument;

  explicit TWebDAVReadOnlyVeskaStorage(TWebDAVConnection& AConnection);
  ~TWebDAVReadOnlyVeskaStorage() override;

  const TVeskaStorageClass& StorageClass() const override { return StorageClassOf<TWebDAVReadOnlyVeskaStorage>(); }
  int ImageIndexByKind(int AKind) override;
  bool IsReadOnly() override { return true; }
  TIntf<IVeskaStorageFolder> Root() override { return FRoot; }

  // The absolute URL of a listing's href: an "http://" or "https://" URL (in any letter case) as it
  // is but without user information, anything else taken as server-relative and put behind the
  // origin (protocol, host, port) of the address.
  std::string AbsoluteUrl(const std::string& AHref) const;

  // The folder's address as every request uses it: "http://" when it names no scheme, and without
  // the credentials it may carry, which go with every request of the storage instead.
  const std::string& Address() const { return FAddress; }
  // Sets up a client for one request of this storage: the address's credentials, trust, deadlines.
  void ConfigureClient(TWinInetWebClient& AClient) const;

  // Passed on to every request (see TWinInetWebClient): accepting any certificate is for a known
  // server with a self-signed one only; extra trusted certificates; whole-request deadlines in ms.
  bool IgnoreCertificateErrors = false;
  std::string TrustedCertificatesFile;
  std::int32_t PropFindTimeout = 60 * 1000;
  std::int32_t TransferTimeout = 5 * 60 * 1000;

 protected:
  TWebDAVReadOnlyVeskaStorage(TWebDAVConnection& AConnection, const TVeskaStorageClass& AClass);

 private:
  TIntf<IVeskaStorageFolder> FRoot;
  std::string FAddress;
  std::string FLogin;
  std::string FPassword;
};

// What every entry knows. Entries keep a plain pointer to their storage: they must not be used
// once it is freed.
class TWebDAVReadOnlyVeskaStorage::TEntry : public TFlexibleInterfacedObject {
 public:
  TEntry(TWebDAVReadOnlyVeskaStorage& AStorage, const std::string& AUrl, const std::string& ADescription,
         TDateTime AChangeDate);

  TWebDAVReadOnlyVeskaStorage& Storage() const { return *FStorage; }
  const std::string& Description() const { return FDescription; }
  const std::string& Url() const { return FUrl; }
  TDateTime DateCreate() const { return FDateCreate; }
  TDateTime DateChange() const { return FDateChange; }

 protected:
  [[noreturn]] void RaiseReadOnly() const;

 private:
  std::string FDescription;
  std::string FUrl;
  TWebDAVReadOnlyVeskaStorage* FStorage;  // not counted
  TDateTime FDateCreate;
  TDateTime FDateChange;
};

// The entry operations, for an entry class implementing the refinement I.
template <class I>
class TWebDAVReadOnlyVeskaStorage::TEntryOf : public TEntry, public I {
 public:
  using TEntry::TEntry;

  HRESULT QueryInterface(const TGUID& AIID, void** AObj) override { return TEntry::QueryInterface(AIID, AObj); }
  std::int32_t _AddRef() override { return TEntry::_AddRef(); }
  std::int32_t _Release() override { return TEntry::_Release(); }

  std::string GetShortPath() override { return Description(); }
  std::string GetDescription() override { return Description(); }
  void SetDescription(const std::string&) override { RaiseReadOnly(); }
  TDateTime GetDateCreate() override { return DateCreate(); }
  TDateTime GetDateChange() override { return DateChange(); }
  void Delete() override { RaiseReadOnly(); }
  void Purge() override { RaiseReadOnly(); }
};

class TWebDAVReadOnlyVeskaStorage::TFolder : public TEntryOf<IVeskaStorageFolder> {
 public:
  using TEntryOf::TEntryOf;

  bool GetHasSubItems() override { return true; }
  TFolderProperties GetProperies() override { return {}; }
  void SetProperties(const TFolderProperties& Value) override;
  TIntf<IVeskaStorageFolder> CreateFolder(const std::string& ADescription) override;
  TIntf<IVeskaStorageDocument> CreateDocument(const std::string& ADescription, const TKvDocCommonProperties& AProperties,
                                              TStream& AData) override;
  TIntf<IVeskaStorageExternalDocument> CreateExternalDocument(const std::string& ADescription, TStream& AData) override;
  // Asks the server again on every call; the order is the server's.
  TVeskaStorageEntries LoadChildItems() override;
  // Path lookup is not offered: always raises.
  TIntf<IVeskaStorageEntry> FindEntry(const std::string& AShortPath) override;

  // The children a listing of this folder names: the folder itself and entries that are not on
  // its server below it are left out.
  TVeskaStorageEntries ChildItemsOf(const TPropFind& AListing);
  // How many entries of the last listing were left out as not below this folder on its server
  // (the folder itself is not counted), for a warning the caller may show.
  int SkippedEntries() const { return FSkippedEntries; }

 private:
  TIntf<IVeskaStorageEntry> MakeChild(const TPropFindEntry& AEntry, const std::string& AUrl);

  int FSkippedEntries = 0;
};

class TWebDAVReadOnlyVeskaStorage::TDocument : public TEntryOf<IVeskaStorageDocument> {
 public:
  TDocument(TWebDAVReadOnlyVeskaStorage& AStorage, const std::string& AUrl, const std::string& ADescription,
            TDateTime AChangeDate, TVeskaDocumentType ADocType);

  // Only the kind is known without opening the document.
  TKvDocCommonProperties GetProperties() override { return TKvDocCommonProperties::Create(FDocType); }
  TKvDocCommonProperties Properties() { return GetProperties(); }
  // Nothing is locked on the server; the opening is read-only. A missing document (404) is
  // EVeskaStorageError::ItemNotFound with the HTTP error inside.
  TIntf<IVeskaStorageOpenedDocument> OpenAndLockData(TStream& AData) override;
  void ReadData(TStream& AData) override;

 private:
  TVeskaDocumentType FDocType;
};

class TWebDAVReadOnlyVeskaStorage::TExternalDocument : public TEntryOf<IVeskaStorageExternalDocument> {
 public:
  using TEntryOf::TEntryOf;

  void ReadData(TStream& AData) override;
  // Downloads a read-only copy into this process's private folder below the temporary folder
  // (replacing an earlier copy by one rename once the download is complete) and opens it with the
  // desktop's default application; changes are never sent back. Other local users can neither
  // read the copy nor redirect it with names or links planted in the shared temporary folder.
  void Edit() override;
  // Where Edit puts the copy: the private folder (made on first use) and SafeLocalFileName of the
  // description.
  std::string EditFileName() const;
};

// The folder of this process's private temporary copies: made with an unpredictable name and mode
// 0700 below the temporary folder on first use, made again when it has gone or no longer is private.
std::string PrivateCopiesFolder();

// A name the server chose, made a plain file name that stays inside the folder it is joined to:
// separators and characters no file name can hold become "_", leading dots go, and an empty
// result is "document". Names longer than a file system allows are cut at a character boundary.
std::string SafeLocalFileName(const std::string& AName);

// Whether two absolute URLs name one resource: protocol and host without regard to case, default
// ports, percent escapes, dot segments, a trailing "/" and the letter case of the path ignored.
// A URL without a scheme is an "http://" one.
bool SameResourceUrl(const std::string& A, const std::string& B);

// AUrl with "http://" in front when it names no scheme.
std::string WithDefaultScheme(const std::string& AUrl);

class TKorvelRuVeskaStorage : public TWebDAVReadOnlyVeskaStorage {
 public:
  // A class of its own, so a pool tells the site apart from user-made WebDAV connections.
  class TConnection : public TWebDAVConnection {
   public:
    static std::string ClassID() { return "KV.Korvel.Ru.VeskaDocs"; }
    const TConnectionClass& ConnectionClass() const override { return ClassOf<TConnection>(); }

    static const TClassInfo& StaticClassInfo();
  };
  using TConnectionType = TConnection;

  explicit TKorvelRuVeskaStorage(TConnection& AConnection);

  const TVeskaStorageClass& StorageClass() const override { return StorageClassOf<TKorvelRuVeskaStorage>(); }

  // Adds a new site connection (caption KorvelSiteHost, empty address) to APool, which owns it.
  // It does not look for one already there: callers do, with APool.FindConnection(TConnection::ClassID()).
  static TConnection* AddConnectionToPool(TConnectionsPool& APool);
};

// The start-up registration of the site connection class.
void RegisterKorvelRuConnection();

}  // namespace Quellit
