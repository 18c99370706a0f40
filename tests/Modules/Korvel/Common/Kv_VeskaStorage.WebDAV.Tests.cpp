#include "Modules/Korvel/Common/Kv_VeskaStorage.WebDAV.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "Lib/Common/Common.Net.WebDAV.h"
#include "Lib/Common/Common.Streams.h"
#include "Lib/Common/Common.XMLUtils.h"
#include "Modules/Korvel/Common/Kv_Storage.ConnectionPool.h"
#include "Platform/AccessControl.h"
#include "Platform/Path.h"
#include "Platform/TemporaryFolder.h"
#include "Support/ScopedEnvironment.h"
#include "Support/ScratchFolder.h"

namespace Quellit {
namespace {

using TSiteConnection = TKorvelRuVeskaStorage::TConnection;

TEST(WebDAVConnection, ClassFacts) {
  EXPECT_EQ(TWebDAVConnection::ClassID(), "KV.WebDAV.ReadOnly");
  EXPECT_EQ(TSiteConnection::ClassID(), "KV.Korvel.Ru.VeskaDocs");
  for (const TConnectionClass* Class : {&ClassOf<TWebDAVConnection>(), &ClassOf<TSiteConnection>()}) {
    EXPECT_EQ(Class->SupportedKinds(), TStorageKinds({Veska})) << Class->ClassID();
    EXPECT_TRUE(Class->SupportsVeska());
    EXPECT_FALSE(Class->SupportsNormBases());
    EXPECT_FALSE(Class->IsInternal());
    EXPECT_FALSE(Class->DisplayName().empty());
  }
  EXPECT_EQ(ClassOf<TSiteConnection>().DisplayName(), KorvelSiteHost);
}

TEST(WebDAVConnection, ConnectOnlyMarksTheConnection) {
  std::unique_ptr<TWebDAVConnection, TFreeDeleter> Connection(Create<TWebDAVConnection>());
  Connection->SetAddress("https://unreachable.invalid:1/dav/");
  for (const char* Login : {"", "user"}) {
    Connection->Connect(Login, "");
    EXPECT_TRUE(Connection->Connected());
    Connection->Disconnect();
    EXPECT_FALSE(Connection->Connected());
  }
  EXPECT_EQ(Connection->Address(), "https://unreachable.invalid:1/dav/");
}

TEST(WebDAVConnection, AddConnectionToPoolAddsTheSiteEveryTimeItIsAsked) {
  TConnectionsPool Pool;
  TSiteConnection* Added = TKorvelRuVeskaStorage::AddConnectionToPool(Pool);
  ASSERT_EQ(Pool.Count(), 1);
  EXPECT_EQ(Pool.Connections()[0], Added);
  EXPECT_EQ(Added->ConnectionClass().ClassID(), "KV.Korvel.Ru.VeskaDocs");
  EXPECT_EQ(Added->Caption(), KorvelSiteHost);
  EXPECT_EQ(Added->Address(), "");
  EXPECT_EQ(Added->Usages(), TStorageKinds({Veska}));
  EXPECT_EQ(Pool.FindConnection(TSiteConnection::ClassID()), Added);
  // Plain WebDAV connections are not the site.
  std::unique_ptr<TWebDAVConnection, TFreeDeleter> Plain(Create<TWebDAVConnection>());
  TConnectionsPool Other;
  Other.AddConnection(Plain.release());
  EXPECT_EQ(Other.FindConnection(TSiteConnection::ClassID()), nullptr);
  // Only the caller's look-up keeps the site from being added twice.
  TKorvelRuVeskaStorage::AddConnectionToPool(Pool);
  EXPECT_EQ(Pool.Count(), 2);
}


// ---- the storage, offline: listings parsed from answers held in memory -------------------------------

using TStorage = TWebDAVReadOnlyVeskaStorage;

std::string Response(const std::string& AHref, const std::string& AProps) {
  return "<D:response><D:href>" + AHref + "</D:href><D:propstat><D:prop>" + AProps +
         "</D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>";
}
const std::string kCollection = "<D:resourcetype><D:collection/></D:resourcetype>";
std::string Kind(const std::string& AText) { return "<V:VeskaDocType>" + AText + "</V:VeskaDocType>"; }

// The listing is kept with its document, as ExecutePropFind hands it out.
TSharedPtr<TPropFind> Listing(const std::string& AResponses) {
  TStringStream Stream("<?xml version=\"1.0\" encoding=\"utf-8\"?><D:multistatus xmlns:D=\"DAV:\" xmlns:V=\"" +
                       std::string(VeskaNamespace) + "\">" + AResponses + "</D:multistatus>");
  return TSharedPtr<TPropFind>(new TPropFind(LoadXMLStream(Stream).DocumentElement()));
}

class WebDAVStorage : public ::testing::Test {
 protected:
  void Open(const std::string& AAddress) {
    FStorage.reset();
    FConnection->SetAddress(AAddress);
    FStorage.reset(Create<TStorage>(*FConnection));
  }
  TStorage::TFolder& Root() { return dynamic_cast<TStorage::TFolder&>(*FStorage->Root()); }
  // "kind name url" per child, the kind as the class of the entry.
  std::vector<std::string> Children(const std::string& AResponses) {
    std::vector<std::string> Result;
    for (const TIntf<IVeskaStorageEntry>& Entry : Root().ChildItemsOf(*Listing(AResponses))) {
      auto& Object = dynamic_cast<TStorage::TEntry&>(*Entry);
      std::string Kind = QueryIntf<IVeskaStorageFolder>(Entry) ? "folder" : "file";
      if (auto Doc = QueryIntf<IVeskaStorageDocument>(Entry)) Kind = DocTypeToStr(Doc->GetProperties().DocType);
      Result.push_back(Kind + " " + Object.Description() + " " + Object.Url());
    }
    return Result;
  }

  std::unique_ptr<TWebDAVConnection, TFreeDeleter> FConnection{Create<TWebDAVConnection>()};
  std::unique_ptr<TStorage, TFreeDeleter> FStorage;
};

TEST_F(WebDAVStorage, AbsoluteUrlsOfHrefs) {
  struct TCase {
    const char* Address;
    const char* Href;
    const char* Url;
  } Cases[] = {
      {"http://srv:8080/dav/docs", "/dav/a/", "http://srv:8080/dav/a/"},
      {"http://srv/dav/docs/", "/dav/a.kvs", "http://srv/dav/a.kvs"},
      {"srv:81/x", "/x/y", "http://srv:81/x/y"},
      {"https://srv/dav/", "/dav/y", "https://srv/dav/y"},
      {"http://srv/dav/", "HTTP://other/z", "HTTP://other/z"},
      // An absolute https href is as absolute as an http one.
      {"https://srv/dav/", "https://srv/dav/y", "https://srv/dav/y"},
  };
  for (const TCase& C : Cases) {
    Open(C.Address);
    EXPECT_EQ(FStorage->AbsoluteUrl(C.Href), C.Url) << C.Address << " " << C.Href;
  }
}

TEST_F(WebDAVStorage, KindsComeFromTheProductPropertyAndCollectionsAreAlwaysFolders) {
  Open("http://srv:8080/dav/docs/");
  EXPECT_EQ(Children(Response("/dav/docs/", kCollection) + Response("/dav/docs/sub/", kCollection + Kind("4")) +
                     Response("/dav/docs/a.kvs", Kind("4")) + Response("/dav/docs/b.kvs", Kind(" 0 ")) +
                     Response("/dav/docs/c.kvs", Kind("11")) + Response("/dav/docs/d.kvs", Kind("12")) +
                     Response("/dav/docs/e.kvs", Kind("-3")) + Response("/dav/docs/f.kvs", Kind("text")) +
                     Response("/dav/docs/g.txt", "") +
                     Response("/dav/docs/h.kvs", "<W:VeskaDocType xmlns:W=\"urn:other\">1</W:VeskaDocType>")),
            (std::vector<std::string>{
                "folder sub http://srv:8080/dav/docs/sub/", "sdtIndexes a.kvs http://srv:8080/dav/docs/a.kvs",
                "file b.kvs http://srv:8080/dav/docs/b.kvs", "sdtDocSummary c.kvs http://srv:8080/dav/docs/c.kvs",
                "file d.kvs http://srv:8080/dav/docs/d.kvs", "file e.kvs http://srv:8080/dav/docs/e.kvs",
                "file f.kvs http://srv:8080/dav/docs/f.kvs", "file g.txt http://srv:8080/dav/docs/g.txt",
                "file h.kvs http://srv:8080/dav/docs/h.kvs"}));
}

TEST_F(WebDAVStorage, TheFolderItselfIsLeftOutHoweverItsAddressIsWritten) {
  struct TCase {
    const char* Address;
    const char* SelfHref;
    const char* ChildHref;
  } Cases[] = {
      {"http://srv/dav/docs", "/dav/docs/", "/dav/docs/x.txt"},
      {"http://srv/dav/docs/", "/dav/docs", "/dav/docs/x.txt"},
      {"http://srv/dav/%D0%9F", "/dav/%d0%9f/", "/dav/%d0%9f/x.txt"},  // escapes in the other letter case
      {"http://srv/DAV/Docs/", "/dav/docs/", "/dav/docs/x.txt"},       // a server that ignores case
      {"http://srv:80/dav/docs/", "http://SRV/dav/docs/", "/dav/docs/x.txt"},  // default port, host in capitals
      {"http://srv/dav/docs/", "/dav/docs/./sub/../", "/dav/docs/x.txt"},
  };
  for (const TCase& C : Cases) {
    Open(C.Address);
    std::vector<std::string> Result = Children(Response(C.SelfHref, kCollection) + Response(C.ChildHref, ""));
    ASSERT_EQ(Result.size(), 1u) << C.Address;
    EXPECT_EQ(Result[0].substr(0, 11), "file x.txt ") << C.Address;
  }
}

TEST_F(WebDAVStorage, EntriesNotOnTheServerBelowTheFolderAreLeftOut) {
  Open("http://srv:8080/dav/docs/");
  EXPECT_EQ(Children(Response("/dav/docs/ok.txt", "") + Response("http://evil.example/dav/docs/x.txt", "") +
                     Response("http://srv:8081/dav/docs/x.txt", "") + Response("https://srv:8080/dav/docs/x.txt", "") +
                     Response("/dav/docs/../../etc/passwd", "") + Response("/dav/docs/%2e%2e/%2E%2E/x", "") +
                     Response("/dav/docs/a/../../other/x", "") + Response("/dav/other/x.txt", "") +
                     Response("/dav/docsx/y.txt", "") + Response("/../../x", "") + Response("x.txt", "") +
                     Response("http://srv:8080/dav/docs/deep/er/z.txt", "")),
            (std::vector<std::string>{"file ok.txt http://srv:8080/dav/docs/ok.txt",
                                      "file z.txt http://srv:8080/dav/docs/deep/er/z.txt"}));
}

TEST_F(WebDAVStorage, HugeListingsAreListedWhole) {
  Open("http://srv/dav/docs/");
  std::string Responses;
  for (int I = 0; I < 5000; ++I) Responses += Response("/dav/docs/f" + std::to_string(I) + ".kvs", Kind("0"));
  EXPECT_EQ(Root().ChildItemsOf(*Listing(Responses)).size(), 5000u);
}

TEST_F(WebDAVStorage, ModifyingOperationsAreRefusedAndPathLookupIsNotOffered) {
  Open("http://srv/dav/docs/");
  TIntf<IVeskaStorageFolder> Root = FStorage->Root();
  TVeskaStorageEntries Listed = this->Root().ChildItemsOf(*Listing(Response("/dav/docs/a.kvs", Kind("3"))));
  ASSERT_EQ(Listed.size(), 1u);
  TIntf<IVeskaStorageEntry> Doc = Listed[0];
  TMemoryStream Data;
  struct TCase {
    std::string Title;
    std::function<void()> Call;
  } Cases[] = {
      {"", [&] { Root->SetDescription("x"); }},
      {"", [&] { Root->Delete(); }},
      {"", [&] { Root->Purge(); }},
      {"", [&] { Root->SetProperties({}); }},
      {"", [&] { Root->CreateFolder("x"); }},
      {"", [&] { Root->CreateDocument("x", TKvDocCommonProperties::Create(sdtVeska), Data); }},
      {"", [&] { Root->CreateExternalDocument("x", Data); }},
      {"", [&] { FStorage->CreateFolder("x"); }},
      {"a.kvs", [&] { Doc->SetDescription("b.kvs"); }},
      {"a.kvs", [&] { Doc->Delete(); }},
  };
  for (const TCase& C : Cases) {
    try {
      C.Call();
      ADD_FAILURE() << "not refused";
    } catch (const EVeskaStorageError& E) {
      EXPECT_EQ(E.Message(), "Документ \"" + C.Title + "\" доступен только для чтения");
    }
  }
  for (const auto& Find : {std::function<void()>([&] { Root->FindEntry("a.kvs"); }),
                           std::function<void()>([&] { FStorage->FindEntry(""); })}) {
    try {
      Find();
      ADD_FAILURE() << "found";
    } catch (const Exception& E) {
      EXPECT_EQ(E.Message(), "TFolder.FindEntry не реализовано");
    }
  }
  EXPECT_TRUE(Root->GetHasSubItems());
  EXPECT_EQ(Root->GetProperies(), TFolderProperties{});
  EXPECT_EQ(Doc->GetShortPath(), "a.kvs");
  EXPECT_EQ(QueryIntf<IVeskaStorageDocument>(Doc)->GetProperties(), TKvDocCommonProperties::Create(sdtCennik));
}

TEST(SafeLocalFileName, ServerNamesBecomePlainNamesInsideTheFolder) {
  struct TCase {
    std::string Name;
    std::string Safe;
  } Cases[] = {
      {"Отчёт за год.pdf", "Отчёт за год.pdf"},
      {"..", "document"},
      {"", "document"},
      {"...", "document"},
      {".hidden.txt", "hidden.txt"},
      {"a/../../b", "a_.._.._b"},
      {"../../etc/passwd", "_.._etc_passwd"},
      {"..\\..\\win.ini", "_.._win.ini"},
      {"C:\\x.txt", "C__x.txt"},
      {"a*b?c\"d<e>f|g", "a_b_c_d_e_f_g"},
      {std::string("line\nbreak\ttab\x7f\x01", 16), "line_break_tab__"},
      {std::string(300, 'a'), std::string(255, 'a')},
  };
  for (const TCase& C : Cases) EXPECT_EQ(SafeLocalFileName(C.Name), C.Safe) << C.Name;
  // Too long a name is cut at a character boundary.
  std::string Cyrillic;
  for (int I = 0; I < 200; ++I) Cyrillic += "ж";  // two bytes each
  std::string Cut = SafeLocalFileName("a" + Cyrillic);
  EXPECT_EQ(Cut, "a" + Cyrillic.substr(0, 254));
}

TEST_F(WebDAVStorage, EditWritesOnlyInsideAPrivateFolderOfTheTemporaryFolder) {
  Testing::TScratchFolder Temp;
  Testing::TScopedEnvironment Environment;
#ifdef _WIN32
  Environment.Set("TMP", Temp.Path());  // GetTempPathW reads TMP first
#else
  Environment.Set("TMPDIR", Temp.Path());
#endif
  Open("http://srv/dav/docs/");
  std::string Folder;
  for (const std::string& Name : std::vector<std::string>{"..", "a/../../b", "..\\..\\b", std::string("x\x01\ny", 4), std::string()}) {
    TIntf<IVeskaStorageExternalDocument> File(Create<TStorage::TExternalDocument>(*FStorage, "http://srv/x", Name, 0));
    const std::string Target = dynamic_cast<TStorage::TExternalDocument&>(*File).EditFileName();
    // One folder per process, with a name nobody could guess, only its owner may enter.
    if (Folder.empty()) Folder = Platform::ExtractFilePath(Target);
    EXPECT_EQ(Platform::ExtractFilePath(Target), Folder) << Name;
    EXPECT_EQ(Platform::ExtractFileName(Target), SafeLocalFileName(Name)) << Name;
  }
  EXPECT_EQ(Platform::ExtractFilePath(Platform::ExcludeTrailingPathDelimiter(Folder)),
            Temp.Path() + Platform::PathSeparator());
  EXPECT_TRUE(Platform::ExtractFileName(Platform::ExcludeTrailingPathDelimiter(Folder)).starts_with("quellit-copies-"));
  EXPECT_TRUE(Platform::IsPrivateFolder(Folder));
  // A folder that is no longer private is not used again.
#ifdef _WIN32
  // The access list is the folder's privacy there; the mode bits std::filesystem shows are made up.
  Platform::GrantEveryoneFullAccess(Folder);
#else
  EXPECT_EQ(std::filesystem::status(Folder).permissions(), std::filesystem::perms::owner_all);
  std::filesystem::permissions(Folder, std::filesystem::perms::others_exec, std::filesystem::perm_options::add);
#endif
  EXPECT_NE(Platform::ExtractFilePath(PrivateCopiesFolder() + "/x"), Folder);
}

}  // namespace
}  // namespace Quellit
