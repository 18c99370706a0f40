#include "Modules/Korvel/Common/Kv_VeskaStorage.Types.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "Lib/Common/Common.Streams.h"
#include "Lib/Common/Common.XMLUtils.h"
#include "Modules/Korvel/Common/Kv_Storage.FileSystemConnection.h"
#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"
#include "Support/ScratchFolder.h"

namespace Quellit {
namespace {

using Testing::TScratchFolder;

// ---- folder properties ----------------------------------------------------------------------------

const TFolderProperties kFull{"Объект", "Стройка", "Этап", "Комментарий", "Рег-1", "Лок-2"};

TEST(FolderProperties, AFolderWithoutConfigurationIsEmptyAndStaysUntouched) {
  TScratchFolder Folder;
  EXPECT_EQ(TFolderProperties::Load(Folder.Path()), TFolderProperties{});
  EXPECT_FALSE(std::filesystem::exists(Folder / ".kvdata"));
}

TEST(FolderProperties, SaveCreatesTheConfigurationWithTheNonEmptyFieldsOnly) {
  TScratchFolder Folder;
  TFolderProperties Properties = kFull;
  Properties.ConName.clear();
  Properties.Save(Folder.Path());
  const std::string Text = TScratchFolder::Read(Folder / ".kvdata/config.xml");
  TXMLDocument Saved = TXMLDocument::Create();
  Saved.LoadFromFile(Folder / ".kvdata/config.xml");
  EXPECT_EQ(Saved.DocumentElement().TagName(), "KVeskaFolder");
  EXPECT_EQ(Saved.DocumentElement().AttributeNames(),
            (std::vector<std::string>{"ObjName", "StgName", "Comment", "LocNum", "RegNum"}))
      << Text;
  EXPECT_EQ(TFolderProperties::Load(Folder.Path()), Properties);
  kFull.Save(Folder.Path());
  EXPECT_EQ(TFolderProperties::Load(Folder.Path()), kFull);
}

TEST(FolderProperties, SaveKeepsWhatOthersWroteAndDropsEmptiedFields) {
  TScratchFolder Folder;
  Folder.Write(".kvdata/config.xml",
               "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
               "<KVeskaFolder Comment=\"old\" Owner=\"product\" ObjName=\"old\"><Child a=\"1\"/></KVeskaFolder>");
  TFolderProperties Properties;
  Properties.ObjName = "Новый";
  Properties.Save(Folder.Path());
  TXMLDocument Saved = TXMLDocument::Create();
  Saved.LoadFromFile(Folder / ".kvdata/config.xml");
  TXMLElement Root = Saved.DocumentElement();
  EXPECT_EQ(Root.AttributeNames(), (std::vector<std::string>{"Owner", "ObjName"}));
  EXPECT_EQ(Root.GetAttribute("ObjName"), "Новый");
  EXPECT_FALSE(Root.FindChildElement("Child").IsNull());
}

TEST(FolderProperties, MalformedOrUnwritableConfigurationFailsAndLeavesTheFileAsItWas) {
  TScratchFolder Folder;
  const std::string Broken = "<KVeskaFolder ObjName=\"x\"";
  Folder.Write("broken/.kvdata/config.xml", Broken);
  EXPECT_THROW(TFolderProperties::Load(Folder / "broken"), EDOMParseError);
  EXPECT_THROW(kFull.Save(Folder / "broken"), EDOMParseError);
  EXPECT_EQ(TScratchFolder::Read(Folder / "broken/.kvdata/config.xml"), Broken);
  // A file where the configuration folder should be: the folder cannot be created.
  Folder.Write("blocked/.kvdata", "not a folder");
  EXPECT_THROW(kFull.Save(Folder / "blocked"), EOSError);
  EXPECT_EQ(TScratchFolder::Read(Folder / "blocked/.kvdata"), "not a folder");
}

// ---- errors and the read-only opening ---------------------------------------------------------------

TEST(VeskaStorageError, Messages) {
  EXPECT_EQ(EVeskaStorageError::ItemNotFound().Message(), "Элемент не найден");
  EXPECT_EQ(EVeskaStorageError::ItemNotFound("a.kvs").Message(), "Элемент \"a.kvs\" не найден");
  EXPECT_EQ(EVeskaStorageError::DocumentIsLocked("a.kvs").Message(), "Документ \"a.kvs\" уже открыт другим пользователем");
  EXPECT_EQ(EVeskaStorageError::ItemIsReadOnly("Папка").Message(), "Документ \"Папка\" доступен только для чтения");
  EVeskaStorageFolderPropertiesNotSupported NotSupported = EVeskaStorageError::FolderPropertiesNotSupported();
  EXPECT_EQ(NotSupported.Message(), "Свойства у папок не поддерживаются");
  EXPECT_EQ(NotSupported.ClassName(), "EVeskaStorageFolderPropertiesNotSupported");
}

// A storage on a WebDAV connection that is never asked anything over the network.
class OfflineStorage : public ::testing::Test {
 protected:
  void SetUp() override { FConnection->SetAddress("http://srv:8080/dav/docs/"); }
  TIntf<IVeskaStorageDocument> Document() {
    auto* Doc = Create<TWebDAVReadOnlyVeskaStorage::TDocument>(*FStorage, "http://srv:8080/dav/docs/a.kvs", "a.kvs", 0,
                                                               sdtCennik);
    return TIntf<IVeskaStorageDocument>(Doc);
  }

  std::unique_ptr<TWebDAVConnection, TFreeDeleter> FConnection{Create<TWebDAVConnection>()};
  std::unique_ptr<TWebDAVReadOnlyVeskaStorage, TFreeDeleter> FStorage{Create<TWebDAVReadOnlyVeskaStorage>(*FConnection)};
};

TEST_F(OfflineStorage, TheReadOnlyOpeningRefusesToSaveAndClosesAnyNumberOfTimes) {
  TIntf<IVeskaStorageDocument> Doc = Document();
  TIntf<IVeskaStorageOpenedDocument> Opened(new TVeskaStorageReadOnlyOpenedDocument(Doc, "Только чтение"));
  EXPECT_TRUE(Opened->ReadOnly());
  EXPECT_EQ(Opened->GetDocument(), Doc);
  EXPECT_EQ(Opened->ReadOnlyOpenPromt(), "Только чтение");
  TMemoryStream Data;
  try {
    Opened->Save(TKvDocCommonProperties::Create(sdtVeska), Data);
    FAIL() << "saved";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message(), "Попытка сохранить ReadOnly документ");
  }
  EXPECT_EQ(Data.Size(), 0);
  Opened->Close();
  Opened->Close();
  EXPECT_THROW(TVeskaStorageReadOnlyOpenedDocument(nullptr, ""), EAssertionFailed);
}

TEST_F(OfflineStorage, EntriesAnswerForEveryInterfaceTheyImplement) {
  TIntf<IVeskaStorageDocument> Doc = Document();
  TIntf<IVeskaStorageEntry> Entry = QueryIntf<IVeskaStorageEntry>(Doc);
  ASSERT_TRUE(Entry);
  EXPECT_EQ(QueryIntf<IVeskaStorageDocument>(Entry), Doc);
  EXPECT_FALSE(QueryIntf<IVeskaStorageFolder>(Entry));
  EXPECT_FALSE(QueryIntf<IVeskaStorageExternalDocument>(Entry));
  TIntf<IVeskaStorageFolder> Root = FStorage->Root();
  EXPECT_EQ(QueryIntf<IVeskaStorageFolder>(QueryIntf<IVeskaStorageEntry>(Root)), Root);
  // The storage answers for itself, and its references do not keep it alive.
  TIntf<IVeskaStorageReferense> Reference(static_cast<IVeskaStorageReferense*>(FStorage.get()));
  EXPECT_EQ(Reference->GetStorage(), FStorage.get());
  Reference.Reset();
  EXPECT_EQ(FStorage->State(), osNormal);
}

// ---- the generic storage and the factory ------------------------------------------------------------

// A folder that records what the storage asks of it.
class TRecordingFolder : public TInterfacedObject, public IVeskaStorageFolder {
 public:
  HRESULT QueryInterface(const TGUID& AIID, void** AObj) override { return TInterfacedObject::QueryInterface(AIID, AObj); }
  std::int32_t _AddRef() override { return TInterfacedObject::_AddRef(); }
  std::int32_t _Release() override { return TInterfacedObject::_Release(); }
  std::string GetShortPath() override { return ""; }
  std::string GetDescription() override { return ""; }
  void SetDescription(const std::string&) override {}
  TDateTime GetDateCreate() override { return 0; }
  TDateTime GetDateChange() override { return 0; }
  void Delete() override {}
  void Purge() override {}
  bool GetHasSubItems() override { return true; }
  TFolderProperties GetProperies() override { return {}; }
  void SetProperties(const TFolderProperties&) override {}
  TIntf<IVeskaStorageFolder> CreateFolder(const std::string& A) override { return Record("CreateFolder " + A), this; }
  TIntf<IVeskaStorageDocument> CreateDocument(const std::string& A, const TKvDocCommonProperties&, TStream&) override {
    return Record("CreateDocument " + A), nullptr;
  }
  TIntf<IVeskaStorageExternalDocument> CreateExternalDocument(const std::string& A, TStream&) override {
    return Record("CreateExternalDocument " + A), nullptr;
  }
  TVeskaStorageEntries LoadChildItems() override { return Record("LoadChildItems"), TVeskaStorageEntries{this}; }
  TIntf<IVeskaStorageEntry> FindEntry(const std::string& A) override { return Record("FindEntry " + A), this; }

  std::vector<std::string> Calls;

 private:
  void Record(const std::string& ACall) { Calls.push_back(ACall); }
};

class TRecordingStorage : public TVeskaStorageOf<TWebDAVConnection> {
 public:
  explicit TRecordingStorage(TWebDAVConnection& AConnection)
      : TVeskaStorageOf<TWebDAVConnection>(AConnection, StorageClassOf<TRecordingStorage>()) {}
  const TVeskaStorageClass& StorageClass() const override { return StorageClassOf<TRecordingStorage>(); }
  int ImageIndexByKind(int) override { return 0; }
  TIntf<IVeskaStorageFolder> Root() override { return FRoot; }

  TRecordingFolder* FolderObject = new TRecordingFolder;
  TIntf<IVeskaStorageFolder> FRoot{FolderObject};
};

TEST(GenericStorage, EveryTreeOperationActsOnTheRoot) {
  std::unique_ptr<TWebDAVConnection, TFreeDeleter> Connection(Create<TWebDAVConnection>());
  std::unique_ptr<TRecordingStorage, TFreeDeleter> Storage(Create<TRecordingStorage>(*Connection));
  TMemoryStream Data;
  EXPECT_EQ(Storage->LoadChildItems(), TVeskaStorageEntries{Storage->FolderObject});
  Storage->FindEntry("a/b");
  Storage->CreateFolder("f");
  Storage->CreateDocument("d", TKvDocCommonProperties::Create(sdtVeska), Data);
  Storage->CreateExternalDocument("e", Data);
  EXPECT_EQ(Storage->FolderObject->Calls, (std::vector<std::string>{"LoadChildItems", "FindEntry a/b", "CreateFolder f",
                                                                     "CreateDocument d", "CreateExternalDocument e"}));
  EXPECT_EQ(&Storage->Connection(), Connection.get());
  EXPECT_FALSE(Storage->IsReadOnly());
}

TEST(GenericStorage, RootFactsComeFromTheConnectionAndTheImageIndexes) {
  std::unique_ptr<TWebDAVConnection, TFreeDeleter> Connection(Create<TWebDAVConnection>());
  Connection->SetCaption("Документы отдела");
  std::unique_ptr<TWebDAVReadOnlyVeskaStorage, TFreeDeleter> Storage(Create<TWebDAVReadOnlyVeskaStorage>(*Connection));
  EXPECT_EQ(Storage->RootDisplayName(), "Документы отдела");
  EXPECT_EQ(Storage->RootImageIndex(), 18);
  EXPECT_EQ(Storage->RootLargeImageIndex(), 15);
  EXPECT_EQ(Storage->RootTileImageIndex(), 2);
  for (int Kind : {3, -1, 100}) EXPECT_EQ(Storage->ImageIndexByKind(Kind), -1) << Kind;
  EXPECT_TRUE(Storage->IsReadOnly());
  EXPECT_EQ(&Storage->ConnectionClass(), &ClassOf<TWebDAVConnection>());
  // The extension list ignores duplicates without regard to case.
  Storage->ExternalFileExts().Add(".PDF");
  Storage->ExternalFileExts().Add(".pdf");
  Storage->ExternalFileExts().Add(".doc");
  EXPECT_EQ(Storage->ExternalFileExts().Count(), 2);
  EXPECT_EQ(Storage->ExternalFileExts()[0], ".doc");
}

// The registry is process-wide, so its rules are checked in one sequence from an empty registry.
TEST(VeskaStorageFactory, RegistrationAndLookupRules) {
  std::unique_ptr<TKorvelRuVeskaStorage::TConnection, TFreeDeleter> Site(Create<TKorvelRuVeskaStorage::TConnection>());
  Site->SetCaption("korvel.ru");
  try {
    Free(TVeskaStorageFactory::CreateStorage(*Site));
    FAIL() << "a storage from an empty registry";
  } catch (const TVeskaStorageFactory::Exception& E) {
    EXPECT_EQ(E.Message(), "TVeskaStorageClass for \"korvel.ru\" (class TConnection) not registered");
  }

  const bool WasKnown = TConnectionsFactory::FindByClassID("KV.WebDAV.ReadOnly", false) != nullptr;
  RegisterStorageClass<TWebDAVReadOnlyVeskaStorage>();
  EXPECT_FALSE(WasKnown);
  EXPECT_EQ(TConnectionsFactory::FindByClassID("KV.WebDAV.ReadOnly", false), &ClassOf<TWebDAVConnection>());
  EXPECT_THROW(RegisterStorageClass<TWebDAVReadOnlyVeskaStorage>(), EArgumentException);

  // A connection of a derived class gets the storage of its base class, the first registered
  // class that accepts it winning.
  RegisterStorageClass<TKorvelRuVeskaStorage>();
  std::unique_ptr<TVeskaStorage, TFreeDeleter> Storage(TVeskaStorageFactory::CreateStorage(*Site));
  EXPECT_EQ(Storage->ClassName(), "TWebDAVReadOnlyVeskaStorage");
  EXPECT_EQ(&Storage->Connection(), Site.get());

  std::unique_ptr<TFileSystemConnection, TFreeDeleter> Files(Create<TFileSystemConnection>());
  Files->SetCaption("Сметы");
  try {
    Free(TVeskaStorageFactory::CreateStorage(*Files));
    FAIL() << "a storage for a folder connection";
  } catch (const TVeskaStorageFactory::Exception& E) {
    EXPECT_EQ(E.Message(), "TVeskaStorageClass for \"Сметы\" (class TFileSystemConnection) not registered");
  }
}

TEST(VeskaStorageFactory, AStorageOnAConnectionOfAnotherClassIsAProgrammingError) {
  std::unique_ptr<TWebDAVConnection, TFreeDeleter> Plain(Create<TWebDAVConnection>());
  EXPECT_THROW(StorageClassOf<TKorvelRuVeskaStorage>().CreateInstance(*Plain), EAssertionFailed);
  EXPECT_FALSE(StorageClassOf<TKorvelRuVeskaStorage>().Accepts(*Plain));
}

}  // namespace
}  // namespace Quellit
