// Document storages: the tree of folders, product documents and external files reachable through
// one connection, the interfaces callers browse it with, the storage classes and their factory,
// folder properties kept in ".kvdata/config.xml", and the storage errors.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Lib/Common/Common.Classes.h"
#include "Lib/Common/Common.ExceptionEx.h"
#include "Lib/Common/Common.StringList.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Modules/Korvel/Common/Kv.Doc.Properties.h"
#include "Modules/Korvel/Common/Kv_Storage.Types.h"

namespace Quellit {

class TStream;
class TVeskaStorage;
class IVeskaStorageFolder;
class IVeskaStorageDocument;
class IVeskaStorageExternalDocument;
class IVeskaStorageEntry;

// The attributes documents carry (Kv.Doc.Properties), kept per folder.
struct TFolderProperties {
  std::string ObjName;
  std::string ConName;
  std::string StgName;
  std::string Comment;
  std::string RegNum;
  std::string LocNum;

  // The properties of the folder at AFolderPath; all empty when it has no configuration file.
  // A malformed file is the XML parser's error.
  static TFolderProperties Load(const std::string& AFolderPath);
  // Rewrites this record's attributes in the folder's configuration file, keeping everything else
  // of an existing file; empty fields remove their attribute. The file is replaced in one rename.
  void Save(const std::string& AFolderPath) const;
  // ".kvdata/config.xml" below AFolderPath.
  static std::string ConfigFileName(const std::string& AFolderPath);

  friend bool operator==(const TFolderProperties&, const TFolderProperties&) = default;
};

// ---- entry interfaces -------------------------------------------------------------------------
// An entry class implements exactly one refinement, so it has one entry part and answers a query
// for it as well.

class IVeskaStorageEntry : public IInterface {
 public:
  static constexpr TGUID IID() { return TGUID::Parse("{2F9A581C-B95C-4FA2-9AE7-284F5EB07CE2}"); }
  virtual std::string GetShortPath() = 0;
  virtual std::string GetDescription() = 0;
  virtual void SetDescription(const std::string& Value) = 0;
  virtual TDateTime GetDateCreate() = 0;
  virtual TDateTime GetDateChange() = 0;
  virtual void Delete() = 0;
  virtual void Purge() = 0;
};
QUELLIT_REGISTER_INTERFACE(IVeskaStorageEntry);

using TVeskaStorageEntries = std::vector<TIntf<IVeskaStorageEntry>>;

class IVeskaStorageFolder : public IVeskaStorageEntry {
 public:
  static constexpr TGUID IID() { return TGUID::Parse("{D9ADEA0A-EB53-4493-9FC2-25BB2D4A293C}"); }
  // Whether the folder may have children, answered without listing them.
  virtual bool GetHasSubItems() = 0;
  virtual TFolderProperties GetProperies() = 0;
  virtual void SetProperties(const TFolderProperties& Value) = 0;
  virtual TIntf<IVeskaStorageFolder> CreateFolder(const std::string& ADescription) = 0;
  virtual TIntf<IVeskaStorageDocument> CreateDocument(const std::string& ADescription,
                                                      const TKvDocCommonProperties& AProperties, TStream& AData) = 0;
  virtual TIntf<IVeskaStorageExternalDocument> CreateExternalDocument(const std::string& ADescription,
                                                                      TStream& AData) = 0;
  // Read afresh from the storage on every call.
  virtual TVeskaStorageEntries LoadChildItems() = 0;
  virtual TIntf<IVeskaStorageEntry> FindEntry(const std::string& AShortPath) = 0;
};
QUELLIT_REGISTER_INTERFACE(IVeskaStorageFolder);

class IVeskaStorageOpenedDocument;

// A product document.
class IVeskaStorageDocument : public IVeskaStorageEntry {
 public:
  static constexpr TGUID IID() { return TGUID::Parse("{831B2F0C-BDA5-4021-9143-5748E50F3B48}"); }
  virtual TKvDocCommonProperties GetProperties() = 0;
  // Writes the body into AData; a writable storage keeps the document locked until Close.
  virtual TIntf<IVeskaStorageOpenedDocument> OpenAndLockData(TStream& AData) = 0;
  virtual void ReadData(TStream& AData) = 0;
};
QUELLIT_REGISTER_INTERFACE(IVeskaStorageDocument);

// A file that is not a product document.
class IVeskaStorageExternalDocument : public IVeskaStorageEntry {
 public:
  static constexpr TGUID IID() { return TGUID::Parse("{DC0F7390-BBC2-44D2-87B6-32A6617AE568}"); }
  virtual void ReadData(TStream& AData) = 0;
  // Opens the file for the user in the application the desktop associates with it.
  virtual void Edit() = 0;
};
QUELLIT_REGISTER_INTERFACE(IVeskaStorageExternalDocument);

class IVeskaStorageOpenedDocument : public IInterface {
 public:
  static constexpr TGUID IID() { return TGUID::Parse("{A663341C-DF4C-4FFD-B140-B6EEC506C772}"); }
  virtual TIntf<IVeskaStorageDocument> GetDocument() = 0;
  virtual bool ReadOnly() = 0;
  virtual std::string ReadOnlyOpenPromt() = 0;
  virtual void Save(const TKvDocCommonProperties& AProperties, TStream& AData) = 0;
  virtual void Close() = 0;
};
QUELLIT_REGISTER_INTERFACE(IVeskaStorageOpenedDocument);

class IVeskaStorageReferense : public IInterface {
 public:
  static constexpr TGUID IID() { return TGUID::Parse("{71378574-93F8-4E54-BB73-21EC51BEE3B1}"); }
  virtual TVeskaStorage* GetStorage() = 0;
};
QUELLIT_REGISTER_INTERFACE(IVeskaStorageReferense);

// ---- errors -------------------------------------------------------------------------------------

// Created inside a handler, it keeps the exception being handled as its inner exception.
class EVeskaStorageError : public ExceptionEx {
 public:
  using ExceptionEx::ExceptionEx;
  static EVeskaStorageError ItemNotFound();
  static EVeskaStorageError ItemNotFound(const std::string& AItemTitle);
  static EVeskaStorageError DocumentIsLocked(const std::string& ADocTitle);
  // The same wording for folders.
  static EVeskaStorageError ItemIsReadOnly(const std::string& ATitle);
  static class EVeskaStorageFolderPropertiesNotSupported FolderPropertiesNotSupported();
};

class EVeskaStorageFolderPropertiesNotSupported : public EVeskaStorageError {
 public:
  using EVeskaStorageError::EVeskaStorageError;
};

// ---- storage classes ----------------------------------------------------------------------------

// A storage class as a value: what the class answers without an instance, and its constructor.
// StorageClassOf<T>() hands out one object per class, so addresses compare classes.
class TVeskaStorageClass : public TObject {
 public:
  virtual const TConnectionClass& ConnectionClass() const = 0;
  // Whether AConnection is of the storage's connection class or a class derived from it.
  virtual bool Accepts(const TConnection& AConnection) const = 0;
  // A new storage on AConnection, owned by the caller (free it with Free).
  virtual TVeskaStorage* CreateInstance(TConnection& AConnection) const = 0;
  virtual std::string StorageClassName() const = 0;
  // Refuses a connection the class does not accept: a programming error, since the factory asks first.
  void CheckAccepts(const TConnection& AConnection) const;
};

template <class T>
class TVeskaStorageClassOf final : public TVeskaStorageClass {
 public:
  using TConnectionType = typename T::TConnectionType;
  const TConnectionClass& ConnectionClass() const override { return ClassOf<TConnectionType>(); }
  bool Accepts(const TConnection& AConnection) const override {
    return dynamic_cast<const TConnectionType*>(&AConnection) != nullptr;
  }
  TVeskaStorage* CreateInstance(TConnection& AConnection) const override {
    CheckAccepts(AConnection);
    return Create<T>(static_cast<TConnectionType&>(AConnection));
  }
  std::string StorageClassName() const override { return ClassNameOf(typeid(T)); }
};

template <class T>
const TVeskaStorageClass& StorageClassOf() {
  static const TVeskaStorageClassOf<T> Class;
  return Class;
}

// The storage of one connection. Owned by whoever created it (free it with Free); references to
// its interfaces do not keep it alive, and entries handed out must not outlive it.
class TVeskaStorage : public TFlexiblePersistInterfacedObject, public IVeskaStorageReferense {
 public:
  HRESULT QueryInterface(const TGUID& AIID, void** AObj) override { return TFlexiblePersistInterfacedObject::QueryInterface(AIID, AObj); }
  std::int32_t _AddRef() override { return TFlexiblePersistInterfacedObject::_AddRef(); }
  std::int32_t _Release() override { return TFlexiblePersistInterfacedObject::_Release(); }
  TVeskaStorage* GetStorage() override { return this; }

  // The icon of the storage root in the product's image lists: AKind 0 small, 1 large, 2 tile.
  virtual int ImageIndexByKind(int AKind) = 0;
  virtual const TVeskaStorageClass& StorageClass() const = 0;
  const TConnectionClass& ConnectionClass() const { return StorageClass().ConnectionClass(); }
  virtual bool IsReadOnly() { return false; }
  virtual TVeskaStorageEntries LoadChildItems() = 0;
  virtual TIntf<IVeskaStorageEntry> FindEntry(const std::string& AShortPath) = 0;
  virtual TIntf<IVeskaStorageFolder> CreateFolder(const std::string& ADescription) = 0;
  virtual TIntf<IVeskaStorageDocument> CreateDocument(const std::string& ADescription,
                                                      const TKvDocCommonProperties& AProperties, TStream& AData) = 0;
  virtual TIntf<IVeskaStorageExternalDocument> CreateExternalDocument(const std::string& ADescription,
                                                                      TStream& AData) = 0;

  TConnection& Connection() const { return *FConnection; }
  TStrings& ExternalFileExts() const { return *FExternalFileExts; }
  std::string RootDisplayName() const { return FConnection->Caption(); }
  int RootImageIndex() { return ImageIndexByKind(0); }
  int RootLargeImageIndex() { return ImageIndexByKind(1); }
  int RootTileImageIndex() { return ImageIndexByKind(2); }

 protected:
  // AConnection must be of AClass's connection class (or derived): a programming error otherwise.
  TVeskaStorage(TConnection& AConnection, const TVeskaStorageClass& AClass);

 private:
  TConnection* FConnection;  // not owned
  std::unique_ptr<TStringList> FExternalFileExts;
};

// A storage bound to the connection class T whose operations act on its root folder.
template <class T>
class TVeskaStorageOf : public TVeskaStorage {
 public:
  using TConnectionType = T;

  virtual TIntf<IVeskaStorageFolder> Root() = 0;

  TVeskaStorageEntries LoadChildItems() override { return Root()->LoadChildItems(); }
  TIntf<IVeskaStorageEntry> FindEntry(const std::string& AShortPath) override { return Root()->FindEntry(AShortPath); }
  TIntf<IVeskaStorageFolder> CreateFolder(const std::string& ADescription) override {
    return Root()->CreateFolder(ADescription);
  }
  TIntf<IVeskaStorageDocument> CreateDocument(const std::string& ADescription,
                                              const TKvDocCommonProperties& AProperties, TStream& AData) override {
    return Root()->CreateDocument(ADescription, AProperties, AData);
  }
  TIntf<IVeskaStorageExternalDocument> CreateExternalDocument(const std::string& ADescription,
                                                              TStream& AData) override {
    return Root()->CreateExternalDocument(ADescription, AData);
  }

  // The connection as T; a connection of another class fails (the constructor's check forbids it).
  T& Connection() const { return dynamic_cast<T&>(TVeskaStorage::Connection()); }

 protected:
  using TVeskaStorage::TVeskaStorage;
};

class TVeskaStorageFactory : public TObject {
 public:
  class Exception : public Quellit::Exception {
   public:
    using Quellit::Exception::Exception;
    static Exception StorageClassNotFound(const TConnection& AConnection);
  };

  // Registers the class and, so its connections can be loaded from a connections file, its
  // connection class. Registering a class twice raises EArgumentException.
  static void Register(const TVeskaStorageClass& AStorageClass);
  // A new storage, owned by the caller, of the first registered class (in registration order)
  // that accepts AConnection.
  static TVeskaStorage* CreateStorage(TConnection& AConnection);
};

template <class T>
void RegisterStorageClass() {
  TVeskaStorageFactory::Register(StorageClassOf<T>());
}

// The opening of a document in a read-only storage: nothing to lock, nothing can be saved.
class TVeskaStorageReadOnlyOpenedDocument : public TInterfacedObject, public IVeskaStorageOpenedDocument {
 public:
  TVeskaStorageReadOnlyOpenedDocument(const TIntf<IVeskaStorageDocument>& ADoc, const std::string& APromt);

  HRESULT QueryInterface(const TGUID& AIID, void** AObj) override { return TInterfacedObject::QueryInterface(AIID, AObj); }
  std::int32_t _AddRef() override { return TInterfacedObject::_AddRef(); }
  std::int32_t _Release() override { return TInterfacedObject::_Release(); }

  TIntf<IVeskaStorageDocument> GetDocument() override { return FDoc; }
  bool ReadOnly() override { return true; }
  std::string ReadOnlyOpenPromt() override { return FPromt; }
  void Save(const TKvDocCommonProperties& AProperties, TStream& AData) override;
  void Close() override {}

 private:
  TIntf<IVeskaStorageDocument> FDoc;
  std::string FPromt;
};

}  // namespace Quellit
