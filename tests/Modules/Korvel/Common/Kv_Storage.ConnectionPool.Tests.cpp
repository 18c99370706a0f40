#include "Modules/Korvel/Common/Kv_Storage.ConnectionPool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "Lib/Common/Common.SysUtils.h"
#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.XMLUtils.h"
#include "Modules/Korvel/Common/Kv_OptionsStorage.h"
#include "Modules/Korvel/Common/Kv_Storage.FileSystemConnection.h"
#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"
#include "Support/ScratchFolder.h"

namespace Quellit {
namespace {

// A folder connection whose address setter refuses one value, to break a load half-way.
class TFragileConnection : public TFileSystemConnection {
 public:
  static std::string ClassID() { return "Test.Fragile"; }
  const TConnectionClass& ConnectionClass() const override { return ClassOf<TFragileConnection>(); }
  static const TClassInfo& StaticClassInfo() {
    static const TClassInfo Info =
        TClassInfoBuilder<TFragileConnection>(&TFileSystemConnection::StaticClassInfo(), Attributes(TDisplayName("Хрупкая")))
            .Property("Address", mvPublished, &TFragileConnection::Address, &TFragileConnection::SetFragileAddress)
            .Build();
    return Info;
  }
  void SetFragileAddress(const std::string& AValue) {
    if (AValue == "boom") throw Exception("refused");
    SetAddress(AValue);
  }
};
QUELLIT_REGISTER_CLASS(TFragileConnection);

// A built-in data source, and what takes its identifier over when a test is done with it.
class TBuiltInConnection : public TWebDAVConnection {
 public:
  static std::string ClassID() { return "Test.BuiltIn"; }
  static bool IsInternal() { return true; }
  const TConnectionClass& ConnectionClass() const override { return ClassOf<TBuiltInConnection>(); }
  static const TClassInfo& StaticClassInfo() {
    static const TClassInfo Info =
        TClassInfoBuilder<TBuiltInConnection>(&TWebDAVConnection::StaticClassInfo(), Attributes(TDisplayName("Встроенный")))
            .Build();
    return Info;
  }
};
QUELLIT_REGISTER_CLASS(TBuiltInConnection);

class TRetiredConnection : public TBuiltInConnection {
 public:
  static bool IsInternal() { return false; }
  const TConnectionClass& ConnectionClass() const override { return ClassOf<TRetiredConnection>(); }
};

using TFolder = std::unique_ptr<TFileSystemConnection, TFreeDeleter>;

TFileSystemConnection* NewFolder(const std::string& AAddress, const std::string& ACaption = "",
                                 TStorageKinds AUsages = {Veska}) {
  TFileSystemConnection* Result = Create<TFileSystemConnection>();
  Result->SetAddress(AAddress);
  Result->SetCaption(ACaption);
  Result->SetUsages(AUsages);
  return Result;
}

class ConnectionsPool : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterFileSystemConnection();
    RegisterKorvelRuConnection();
    TConnectionsFactory::RegisterConnectionClass(ClassOf<TFragileConnection>());
  }
  std::string Saved() const { return Win1251ToUtf8(Testing::TScratchFolder::Read(FFile)); }
  void WriteFile(const std::string& AConnections) const {
    FFolder.Write("Connections.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Options><Connections>" + AConnections +
                                         "</Connections><RegionInfo Name=\"Москва\" ShortCode=\"77\"/></Options>");
  }

  Testing::TScratchFolder FFolder;
  std::string FFile = FFolder / "Settings/Connections.xml";
  TConnectionsPool FPool;
};

TEST_F(ConnectionsPool, TheProductsLayoutByteForByte) {
  FPool.AddConnection(NewFolder("C:\\Сметы\\Образцы\\", "Образцы"));
  FPool.AddConnection(NewFolder("D:\\Базы\\", "", {NormBase}));
  FPool.SaveToOptionsStorage(FFile);
  const std::string Bytes = Testing::TScratchFolder::Read(FFile);
  EXPECT_EQ(Bytes.find("Сметы"), std::string::npos) << "written in UTF-8, not in the product's code page";
  const std::string Text = std::regex_replace(Win1251ToUtf8(Bytes), std::regex("InstanceUID=\"[0-9A-F]{32}\""),
                                              "InstanceUID=\"*\"");
  EXPECT_EQ(Text,
            "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n"
            "<Options>\r\n"
            "  <Connections>\r\n"
            "    <Connection_1 Address=\"C:\\Сметы\\Образцы\\\" InstanceUID=\"*\" Caption=\"Образцы\" Usages=\"Veska\" "
            "UseRecycleBin=\"False\" ClassID=\"KV.Files\"/>\r\n"
            "    <Connection_2 Address=\"D:\\Базы\\\" InstanceUID=\"*\" Caption=\"Папка 2\" Usages=\"NormBase\" "
            "UseRecycleBin=\"False\" ClassID=\"KV.Files\"/>\r\n"
            "  </Connections>\r\n"
            "  <NBTemplateLocation/>\r\n"
            "  <RegionInfo Name=\"Нет данных\" ShortCode=\"-1\"/>\r\n"
            "</Options>\r\n");
}

TEST_F(ConnectionsPool, ARoundTripKeepsEveryConnectionAsItWas) {
  SetUserLocale("ru_RU");
  TFileSystemConnection* Folder = NewFolder("/home/пользователь/Сметы/", "Мои сметы", {Veska, NormBase, DocTemplate});
  Folder->SetDescription("Примечание: \"важно\" & <срочно>\r\nвторая строка");
  Folder->SetUseRecycleBin(true);
  FPool.AddConnection(Folder);
  FPool.AddConnection(NewFolder("\\\\Сервер\\Общие", "", {FormTemplate}));
  TKorvelRuVeskaStorage::AddConnectionToPool(FPool);
  FPool.SetNBTemplateLocation(TDocumentLocation::Make("KV.Files", "C:\\Шаблоны\\", "Шаблон 1.kv"));
  FPool.StoredRegionInfo().SetName("Республика Татарстан");
  FPool.StoredRegionInfo().SetShortCode(16);
  FPool.StoredRegionInfo().SetZone2001Name("Зона 1");
  FPool.SaveToOptionsStorage(FFile);

  for (int Pass = 0; Pass < 2; ++Pass) {
    TConnectionsPool Loaded;
    Loaded.LoadFromOptionsStorage(false, FFile);
    EXPECT_TRUE(Loaded.OptionsFileExists());
    ASSERT_EQ(Loaded.Count(), FPool.Count());
    for (int I = 0; I < FPool.Count(); ++I) {
      const TConnection& A = *FPool.Connections()[static_cast<std::size_t>(I)];
      const TConnection& B = *Loaded.Connections()[static_cast<std::size_t>(I)];
      EXPECT_EQ(&B.ConnectionClass(), &A.ConnectionClass()) << I;
      EXPECT_EQ(B.Caption(), A.Caption());
      EXPECT_EQ(B.Description(), A.Description());
      EXPECT_EQ(B.Address(), A.Address());
      EXPECT_EQ(B.InstanceUID(), A.InstanceUID());
      EXPECT_EQ(B.Usages(), A.Usages());
      EXPECT_EQ(B.UseRecycleBin(), A.UseRecycleBin());
    }
    EXPECT_EQ(Loaded.NBTemplateLocation().ToString(), FPool.NBTemplateLocation().ToString());
    EXPECT_EQ(Loaded.StoredRegionInfo().Name(), "Республика Татарстан");
    EXPECT_EQ(Loaded.StoredRegionInfo().ShortCode(), 16);
    EXPECT_EQ(Loaded.StoredRegionInfo().Zone2001Name(), "Зона 1");
    EXPECT_EQ(Loaded.StoredRegionInfo().Zone1984Name(), "");
    Loaded.SaveToOptionsStorage(FFile);  // the second pass reads what a loaded pool wrote
  }
}

TEST_F(ConnectionsPool, AMissingFile) {
  FPool.AddConnection(NewFolder("C:\\A\\"));
  FPool.SetNBTemplateLocation(TDocumentLocation::Make("KV.Files", "C:\\", "t.kv"));
  FPool.StoredRegionInfo().SetShortCode(5);

  FPool.LoadFromOptionsStorage(true, FFile);
  EXPECT_EQ(FPool.Count(), 1);
  EXPECT_TRUE(FPool.NBTemplateLocation().ToString().empty());
  EXPECT_FALSE(FPool.OptionsFileExists());

  FPool.SetNBTemplateLocation(TDocumentLocation::Make("KV.Files", "C:\\", "t.kv"));
  FPool.LoadFromOptionsStorage(false, FFile);
  EXPECT_EQ(FPool.Count(), 0);
  EXPECT_EQ(FPool.NBTemplateLocation().LocalPath, "t.kv");
  EXPECT_EQ(FPool.StoredRegionInfo().ShortCode(), 5);
}

TEST_F(ConnectionsPool, SectionsAreReadWhateverTheirNamesAndRenumberedOnSave) {
  WriteFile("<Connection_7 ClassID=\"KV.Files\" Address=\"C:\\Сметы\" Caption=\"Сметы\"/>");
  FFile = FFolder / "Connections.xml";
  FPool.LoadFromOptionsStorage(false, FFile);
  ASSERT_EQ(FPool.Count(), 1);
  EXPECT_EQ(FPool.Connections()[0]->Address(), "C:\\Сметы");
  EXPECT_EQ(FPool.StoredRegionInfo().Name(), "Москва");
  FPool.SaveToOptionsStorage(FFile);
  const std::string Text = Testing::TScratchFolder::Read(FFile);  // a UTF-8 file stays UTF-8
  EXPECT_NE(Text.find("<Connection_1 Address=\"C:\\Сметы\""), std::string::npos) << Text;
  EXPECT_EQ(Text.find("Connection_7"), std::string::npos);
}

TEST_F(ConnectionsPool, SectionsWithoutAUsableClassAreSkippedAndBadValuesKeepTheDefaults) {
  WriteFile(
      "<Connection_1 ClassID=\"KV.Unknown\" Address=\"X\"/>"
      "<Connection_2 Address=\"no class\"/>"
      "<Connection_3 ClassID=\"kv.files\" Address=\"wrong case\"/>"
      "<Connection_4 ClassID=\"KV.Files\" Address=\"C:\\Ok\" Usages=\"Nonsense\" UseRecycleBin=\"maybe\" "
      "InstanceUID=\"\"/>");
  FFile = FFolder / "Connections.xml";
  FPool.LoadFromOptionsStorage(false, FFile);
  ASSERT_EQ(FPool.Count(), 1);
  const TConnection& Ok = *FPool.Connections()[0];
  EXPECT_EQ(Ok.Address(), "C:\\Ok");
  EXPECT_EQ(Ok.Caption(), "Папка 1");
  EXPECT_TRUE(Ok.Usages().IsEmpty());  // no known names: the empty set
  EXPECT_FALSE(Ok.UseRecycleBin());
  EXPECT_EQ(Ok.InstanceUID(), "");
}

// The wizard saves the user's whole file: connections of classes it does not register (a WebDAV
// server the user set up, a kind only the product knows) must come back exactly as they were.
TEST_F(ConnectionsPool, ConnectionsOfUnregisteredClassesSurviveASave) {
  WriteFile(
      "<Connection_1 ClassID=\"KV.WebDAV.ReadOnly\" Address=\"https://dav.example/Сметы/\" Caption=\"Сервер\" Login=\"\"/>"
      "<Connection_2 ClassID=\"KV.Files\" Address=\"C:\\Ok\"/>"
      "<Connection_3 ClassID=\"Vendor.Sql\" Address=\"db\"><Options Timeout=\"30\"/></Connection_3>");
  FFile = FFolder / "Connections.xml";
  FPool.LoadFromOptionsStorage(false, FFile);
  ASSERT_EQ(FPool.Count(), 1);
  FPool.AddConnection(NewFolder("C:\\New\\", "New"));
  FPool.SaveToOptionsStorage(FFile);

  TIntf<IOptionsReader> Sections = TOptionsStorageFactory::CreateReader(FFile)->OpenSubReader("Connections");
  ASSERT_EQ(Sections->ReadSubkeyNames().size(), 4u);
  // Each stays in its place in the file: the first before the folder connection, the other after it.
  TIntf<IOptionsReader> Dav = Sections->OpenSubReader("Connection_1");
  EXPECT_EQ(Dav->ReadValueNames(), (std::vector<std::string>{"ClassID", "Address", "Caption"}));  // empty: not stored
  EXPECT_EQ(Dav->ReadString("Address", ""), "https://dav.example/Сметы/");
  EXPECT_EQ(Dav->ReadString("Caption", ""), "Сервер");
  EXPECT_EQ(Sections->OpenSubReader("Connection_2")->ReadString("Address", ""), "C:\\Ok");
  TIntf<IOptionsReader> Sql = Sections->OpenSubReader("Connection_3");
  EXPECT_EQ(Sections->OpenSubReader("Connection_4")->ReadString("Caption", ""), "New");
  EXPECT_EQ(Sql->ReadString("ClassID", ""), "Vendor.Sql");
  EXPECT_EQ(Sql->OpenSubReader("Options")->ReadInteger("Timeout", 0), 30);

  // Loading again and saving again neither loses nor duplicates them.
  TConnectionsPool Again;
  Again.LoadFromOptionsStorage(false, FFile);
  Again.SaveToOptionsStorage(FFile);
  EXPECT_EQ(TOptionsStorageFactory::CreateReader(FFile)->OpenSubReader("Connections")->ReadSubkeyNames().size(), 4u);
}

// The order of the user's connections is theirs: unknown ones keep their place among the known
// ones, and follow the connection they followed when it moves or goes.
TEST_F(ConnectionsPool, UnknownConnectionsKeepTheirPlace) {
  WriteFile(
      "<Connection_1 ClassID=\"Vendor.A\"/>"
      "<Connection_2 ClassID=\"KV.Files\" Address=\"C:\\One\\\"/>"
      "<Connection_3 ClassID=\"Vendor.B\"/>"
      "<Connection_4 ClassID=\"Vendor.C\"/>"
      "<Connection_5 ClassID=\"KV.Files\" Address=\"C:\\Two\\\"/>"
      "<Connection_6 ClassID=\"Vendor.D\"/>");
  FFile = FFolder / "Connections.xml";
  auto Order = [&] {
    std::vector<std::string> Result;
    for (const TOptionsSubsection& Section :
         TOptionsStorageFactory::CreateReader(FFile)->OpenSubReader("Connections")->OpenSubsections()) {
      const std::string ClassID = Section.Reader->ReadString("ClassID", "");
      Result.push_back(ClassID == "KV.Files" ? Section.Reader->ReadString("Address", "") : ClassID);
    }
    return Result;
  };
  FPool.LoadFromOptionsStorage(false, FFile);
  ASSERT_EQ(FPool.Count(), 2);
  FPool.SaveToOptionsStorage(FFile);
  EXPECT_EQ(Order(), (std::vector<std::string>{"Vendor.A", "C:\\One\\", "Vendor.B", "Vendor.C", "C:\\Two\\", "Vendor.D"}));

  FPool.ConnectionExchange(0, 1);
  FPool.SaveToOptionsStorage(FFile);
  EXPECT_EQ(Order(), (std::vector<std::string>{"Vendor.A", "C:\\Two\\", "Vendor.D", "C:\\One\\", "Vendor.B", "Vendor.C"}));

  FPool.DeleteConnection(FPool.Connections()[1]);  // C:\One\ goes; what followed it follows C:\Two\ now
  FPool.AddConnection(NewFolder("C:\\New\\", "New"));
  FPool.SaveToOptionsStorage(FFile);
  EXPECT_EQ(Order(), (std::vector<std::string>{"Vendor.A", "C:\\Two\\", "Vendor.D", "Vendor.B", "Vendor.C", "C:\\New\\"}));

  FPool.DeleteConnection(FPool.Connections()[0]);
  FPool.SaveToOptionsStorage(FFile);
  EXPECT_EQ(Order(), (std::vector<std::string>{"Vendor.A", "Vendor.D", "Vendor.B", "Vendor.C", "C:\\New\\"}));
}

// Comments, text and CDATA inside an unknown connection are nothing the product reads: they are
// dropped, and the save goes on. Sibling sections of one name are each read and written back.
TEST_F(ConnectionsPool, UnknownConnectionsKeepEverySectionAndDropTheRest) {
  WriteFile(
      "<!-- the user's note -->"
      "<Connection_1 ClassID=\"Vendor.Sql\"><!-- note --><Server Name=\"a\"/>text<![CDATA[raw]]>"
      "<Server Name=\"b\"><Port Value=\"1\"/><Port Value=\"2\"/></Server></Connection_1>"
      "<Connection_1 ClassID=\"KV.Files\" Address=\"C:\\Same\\Name\\\"/>"
      "<Connection_1 ClassID=\"KV.Files\" Address=\"C:\\Same\\Name\\Again\\\"/>");
  FFile = FFolder / "Connections.xml";
  FPool.LoadFromOptionsStorage(false, FFile);
  ASSERT_EQ(FPool.Count(), 2);
  EXPECT_EQ(FPool.Connections()[0]->Address(), "C:\\Same\\Name\\");
  EXPECT_EQ(FPool.Connections()[1]->Address(), "C:\\Same\\Name\\Again\\");
  FPool.AddConnection(NewFolder("C:\\New\\", "New"));
  ASSERT_NO_THROW(FPool.SaveToOptionsStorage(FFile));

  const TXMLDocument Doc = LoadXMLFile(FFile);
  const TXMLElement Sql = Doc.DocumentElement().FindChildElement("Connections").FindChildElement("Connection_1");
  EXPECT_EQ(Sql.XML(),
            "<Connection_1 ClassID=\"Vendor.Sql\"><Server Name=\"a\"/>"
            "<Server Name=\"b\"><Port Value=\"1\"/><Port Value=\"2\"/></Server></Connection_1>");
  TConnectionsPool Again;
  Again.LoadFromOptionsStorage(false, FFile);
  ASSERT_EQ(Again.Count(), 3);
  EXPECT_EQ(Again.Connections()[1]->Address(), "C:\\Same\\Name\\Again\\");
}

TEST_F(ConnectionsPool, AFileThatIsNotXmlLeavesThePoolAloneAndIsKeptBeforeItIsReplaced) {
  FPool.AddConnection(NewFolder("C:\\A\\", "A"));
  FFolder.Write("Settings/Connections.xml", "<Options><Connections>");
  EXPECT_THROW(FPool.LoadFromOptionsStorage(false, FFile), EInvalidXMLFile);
  ASSERT_EQ(FPool.Count(), 1);
  EXPECT_EQ(FPool.Connections()[0]->Caption(), "A");
  FPool.SaveToOptionsStorage(FFile);
  EXPECT_EQ(Testing::TScratchFolder::Read(FFile + ".bak"), "<Options><Connections>");
  TConnectionsPool Loaded;
  Loaded.LoadFromOptionsStorage(false, FFile);
  EXPECT_EQ(Loaded.Count(), 1);
}

TEST_F(ConnectionsPool, ALoadThatFailsHalfWayLeavesThePoolAsItWas) {
  WriteFile(
      "<Connection_1 ClassID=\"Test.Fragile\" Address=\"C:\\A\" Caption=\"A\"/>"
      "<Connection_2 ClassID=\"Test.Fragile\" Address=\"boom\"/>"
      "<Connection_3 ClassID=\"KV.Files\" Address=\"C:\\C\" Caption=\"C\"/>");
  FFile = FFolder / "Connections.xml";
  FPool.AddConnection(NewFolder("C:\\Before\\", "До"));
  EXPECT_THROW(FPool.LoadFromOptionsStorage(false, FFile), Exception);
  ASSERT_EQ(FPool.Count(), 1);
  EXPECT_EQ(FPool.Connections()[0]->Caption(), "До");
}

TEST_F(ConnectionsPool, FindConnection) {
  SetUserLocale("ru_RU");
  TFileSystemConnection* Folder = NewFolder("C:\\Сметы");
  FPool.AddConnection(Folder);
  TKorvelRuVeskaStorage::AddConnectionToPool(FPool);
  EXPECT_EQ(FPool.FindConnection("KV.Files", "c:\\СМЕТЫ\\"), Folder);
  EXPECT_EQ(FPool.FindConnection("kv.files", "C:\\Сметы"), nullptr);
  EXPECT_EQ(FPool.FindConnection("KV.Files", "C:\\Сметы\\Другие"), nullptr);
  EXPECT_EQ(FPool.FindConnection(TDocumentLocation::Make("KV.Files", "C:\\сметы", "a.kv")), Folder);
  EXPECT_EQ(FPool.FindConnection("KV.Files"), Folder);
  EXPECT_EQ(FPool.FindConnection("KV.Korvel.Ru.VeskaDocs", "https://elsewhere/"), nullptr);  // not built in
}

TEST_F(ConnectionsPool, CaptionsAreNumberedPerClassAndMayRepeat) {
  TConnection* Second = nullptr;
  for (int I = 0; I < 3; ++I) {
    TConnection* Added = NewFolder(Format("C:\\%d", I));
    FPool.AddConnection(Added);
    if (I == 1) Second = Added;
  }
  TKorvelRuVeskaStorage::AddConnectionToPool(FPool);  // another class: not counted
  FPool.DeleteConnection(Second);
  FPool.AddConnection(NewFolder("C:\\new"));
  std::vector<std::string> Captions;
  for (const TConnection* C : FPool.Connections()) Captions.push_back(C->Caption());
  EXPECT_EQ(Captions, (std::vector<std::string>{"Папка 1", "Папка 3", KorvelSiteHost, "Папка 3"}));
  // A connection the pool does not hold is left alone.
  TFolder Stranger(NewFolder("C:\\x"));
  FPool.DeleteConnection(Stranger.get());
  EXPECT_EQ(FPool.Count(), 4);
}

TEST_F(ConnectionsPool, EmptyValuesAreNotStored) {
  FPool.AddConnection(NewFolder("C:\\A", "A", {}));
  FPool.StoredRegionInfo().SetShortCode(0);
  FPool.SaveToOptionsStorage(FFile);
  EXPECT_EQ(Saved().find("Usages"), std::string::npos);
  EXPECT_EQ(Saved().find("ShortCode"), std::string::npos);
  TConnectionsPool Loaded;
  Loaded.LoadFromOptionsStorage(false, FFile);
  EXPECT_EQ(Loaded.Connections()[0]->Usages(), TStorageKinds({Veska}));
  EXPECT_EQ(Loaded.StoredRegionInfo().ShortCode(), -1);
}

TEST_F(ConnectionsPool, GetLocationDisplayName) {
  FPool.AddConnection(NewFolder("C:\\Сметы\\", "Сметы"));
  EXPECT_EQ(FPool.GetLocationDisplayName(TDocumentLocation::Make("KV.Files", "C:\\Сметы", "a.kv")), "Сметы: a.kv");
  EXPECT_EQ(FPool.GetLocationDisplayName(TDocumentLocation::Make("KV.Files", "D:\\Другие\\", "a.kv")),
            "KV.Files: D:\\Другие\\a.kv");
  EXPECT_EQ(FPool.GetLocationDisplayName(TDocumentLocation::Make("KV.Files", "D:\\Другие", "a.kv")),
            "KV.Files: D:\\Другие\\a.kv");
}

TEST_F(ConnectionsPool, SavingReplacesEverythingElseTheFileHeld) {
  FFolder.Write("Settings/Connections.xml",
                "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<Options><Window Left=\"1\"/>"
                "<Connections><Connection_1 ClassID=\"KV.Files\" Address=\"C:\\Old\"/></Connections></Options>");
  FPool.SaveToOptionsStorage(FFile);
  TIntf<IOptionsReader> Reader = TOptionsStorageFactory::CreateReader(FFile);
  EXPECT_EQ(Reader->ReadSubkeyNames(), (std::vector<std::string>{"Connections", "NBTemplateLocation", "RegionInfo"}));
  EXPECT_TRUE(Reader->OpenSubReader("Connections")->ReadSubkeyNames().empty());
}

TEST_F(ConnectionsPool, ExchangeSwapsAndRefusesPositionsOutsideTheList) {
  TConnection* A = NewFolder("C:\\A");
  TConnection* B = NewFolder("C:\\B");
  FPool.AddConnection(A);
  FPool.AddConnection(B);
  FPool.ConnectionExchange(0, 1);
  EXPECT_EQ(FPool.Connections(), (std::vector<TConnection*>{B, A}));
  for (auto [I1, I2] : {std::pair{0, 2}, std::pair{-1, 0}})
    EXPECT_THROW(FPool.ConnectionExchange(I1, I2), TConnectionsPool::Exception);
  EXPECT_EQ(FPool.Connections(), (std::vector<TConnection*>{B, A}));
}

// The pool's rules for built-in data sources; none is registered in the product itself.
class BuiltInConnections : public ConnectionsPool {
 protected:
  void SetUp() override {
    ConnectionsPool::SetUp();
    TConnectionsFactory::RegisterConnectionClass(ClassOf<TBuiltInConnection>());
  }
  // Registries only grow: a plain class takes the identifier over, so later pools hold no built-in one.
  void TearDown() override { TConnectionsFactory::RegisterConnectionClass(ClassOf<TRetiredConnection>()); }
};

TEST_F(BuiltInConnections, ThePoolHoldsOneOfEachAndNeverStoresIt) {
  TConnectionsPool Pool;
  ASSERT_EQ(Pool.Count(), 1);
  TConnection* BuiltIn = Pool.Connections()[0];
  EXPECT_EQ(BuiltIn->Caption(), "Встроенный");
  EXPECT_EQ(BuiltIn->Usages(), TStorageKinds({Veska}));
  EXPECT_EQ(Pool.FindConnection("Test.BuiltIn", "https://any/"), BuiltIn);
  EXPECT_TRUE(TDocumentLocation::Make("Test.BuiltIn", "A", "x") == TDocumentLocation::Make("Test.BuiltIn", "B", "x"));

  try {
    Pool.DeleteConnection(BuiltIn);
    FAIL() << "deleted";
  } catch (const TConnectionsPool::Exception& E) {
    EXPECT_EQ(E.Message(), "Источник данных \"Встроенный\" является встроенным, его нельзя удалять");
  }
  std::unique_ptr<TConnection, TFreeDeleter> Another(Create<TBuiltInConnection>());
  try {
    Pool.AddConnection(Another.get());
    FAIL() << "added";
  } catch (const TConnectionsPool::Exception& E) {
    EXPECT_EQ(E.Message(), "Источник данных \"Встроенный\" является встроенным, его нельзя добавить еше раз");
  }
  EXPECT_EQ(Pool.Count(), 1);

  Pool.AddConnection(NewFolder("C:\\A"));
  Pool.SaveToOptionsStorage(FFile);
  EXPECT_EQ(Saved().find("Test.BuiltIn"), std::string::npos);
  Pool.Clear();
  EXPECT_EQ(Pool.Count(), 1);
  Pool.LoadFromOptionsStorage(false, FFile);
  ASSERT_EQ(Pool.Count(), 2);
  EXPECT_EQ(Pool.Connections()[0]->ConnectionClass().ClassID(), "Test.BuiltIn");
}

TEST(ConnectionsPoolException, ConnectionByClassNotFound) {
  EXPECT_EQ(TConnectionsPool::Exception::ConnectionByClassNotFound(ClassOf<TFileSystemConnection>()).Message(),
            "Источник данных  класса \"Папка\" не найден");
}

}  // namespace
}  // namespace Quellit
