#include "Lib/Common/Common.Net.WebDAV.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "Lib/Common/Common.Net.WinInet.h"
#include "Lib/Common/Common.Streams.h"
#include "Lib/Common/DavServer.h"

namespace Quellit {
namespace {

TSharedPtr<TPropFind> Parse(const std::string& AXml) {
  TStringStream Stream(AXml);
  TXMLDocument Document = LoadXMLStream(Stream);
  return TSharedPtr<TPropFind>(new TPropFind(Document.DocumentElement()));
}

// One response element in a multistatus answer whose DAV: prefix is "lp".
std::string Answer(const std::string& AResponses) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><lp:multistatus xmlns:lp=\"DAV:\">" + AResponses +
         "</lp:multistatus>";
}

std::string Response(const std::string& AHref, const std::string& AProps, const std::string& AStatus = "HTTP/1.1 200 OK") {
  return "<lp:response><lp:href>" + AHref + "</lp:href><lp:propstat><lp:prop>" + AProps + "</lp:prop><lp:status>" +
         AStatus + "</lp:status></lp:propstat></lp:response>";
}

TEST(TPropFind, AnAnswerWithoutResponsesHasNoEntries) {
  auto Result = Parse(Answer(""));
  EXPECT_EQ(Result->EntryCount(), 0);
  EXPECT_EQ(Result->XML().LocalName(), "multistatus");
}

TEST(TPropFindEntry, ReadsEveryFieldWhateverPrefixTheServerUses) {
  struct TCase {
    std::string Href;
    std::string Props;
    std::string EntryName;
    bool IsContainer;
    std::int64_t ContentSize;
    TDateTime ChangeDate;
  } Cases[] = {
      {"/dav/docs/", "<lp:resourcetype><lp:collection/></lp:resourcetype>", "docs", true, 0, 0},
      {"/dav/%d0%9e%d1%82%d1%87%d1%91%d1%82.txt", "<lp:getcontentlength>1234567890123</lp:getcontentlength>",
       "Отчёт.txt", false, 1234567890123, 0},
      {"/dav/a%20b.txt", "<lp:getcontentlength>12x</lp:getcontentlength>", "a b.txt", false, 0, 0},
      // The usual RFC 1123 form is not read; ISO 8601 is.
      {"/dav/old.txt", "<lp:getlastmodified>Tue, 05 Mar 2024 14:07:09 GMT</lp:getlastmodified>", "old.txt", false, 0, 0},
      {"/dav/new.txt", "<lp:getlastmodified>2024-03-05T14:07:09</lp:getlastmodified>", "new.txt", false, 0,
       EncodeDateTime(2024, 3, 5, 14, 7, 9, 0)},
      {"plain", "", "plain", false, 0, 0},
  };
  for (const TCase& Case : Cases) {
    auto Result = Parse(Answer(Response(Case.Href, Case.Props)));
    ASSERT_EQ(Result->EntryCount(), 1) << Case.Href;
    const TPropFindEntry& Entry = *Result->Entries()[0];
    EXPECT_EQ(Entry.Url(), Case.Href);
    EXPECT_EQ(Entry.EntryName(), Case.EntryName) << Case.Href;
    EXPECT_EQ(Entry.IsContainer(), Case.IsContainer) << Case.Href;
    EXPECT_EQ(Entry.ContentSize(), Case.ContentSize) << Case.Href;
    EXPECT_DOUBLE_EQ(Entry.ChangeDate(), Case.ChangeDate) << Case.Href;
    EXPECT_EQ(Entry.Status(), "HTTP/1.1 200 OK");
    EXPECT_EQ(Entry.XML().LocalName(), "response");
  }
}

TEST(TPropFindEntry, TheFirstPropertyGroupHoldingAPropertyWins) {
  auto Result = Parse(Answer(
      "<lp:response><lp:href>/f</lp:href>"
      "<lp:propstat><lp:prop><lp:displayname/></lp:prop><lp:status>HTTP/1.1 404 Not Found</lp:status></lp:propstat>"
      "<lp:propstat><lp:prop><lp:getcontentlength>7</lp:getcontentlength></lp:prop>"
      "<lp:status>HTTP/1.1 200 OK</lp:status></lp:propstat></lp:response>"));
  EXPECT_EQ(Result->Entries()[0]->ContentSize(), 7);
  EXPECT_EQ(Result->Entries()[0]->Status(), "HTTP/1.1 404 Not Found");
}

TEST(TPropFindEntry, AResponseWithoutHrefFailsTheWholeAnswer) {
  try {
    Parse(Answer(Response("/a", "") + "<lp:response><lp:propstat/></lp:response>"));
    FAIL() << "a response without href must be refused";
  } catch (const EXMLNodeNotFound& E) {
    EXPECT_EQ(E.Message(), "Не найден узел по XPath запросу \"d:href\"");
  }
}

TEST(TPropFindEntry, HostileNamesParseCleanlyOrFailWithTheDecodingError) {
  struct TCase {
    const char* Href;
    const char* EntryName;
  } Cases[] = {
      {"/dav/%2E%2E", ".."},
      {"/dav/a%2Fb", "a/b"},
      {"/dav/a%5Cb/", "a\\b"},
      {"/dav/line%0Abreak", "line\nbreak"},
      {"/dav/%ff%fe", "\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const TCase& Case : Cases) {
    auto Result = Parse(Answer(Response(Case.Href, "")));
    EXPECT_EQ(Result->Entries()[0]->EntryName(), Case.EntryName) << Case.Href;
  }
  EXPECT_THROW(Parse(Answer(Response("/dav/%zz", ""))), EConvertError);
}

TEST(TPropFind, AnAnswerThatIsNotXmlOrDeclaresEntitiesIsRefused) {
  const char* Answers[] = {
      "<html><body>not closed",
      "plain text",
      "<?xml version=\"1.0\"?><!DOCTYPE m [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
      "<m xmlns=\"DAV:\"><response><href>&b;</href></response></m>",
      "<?xml version=\"1.0\"?><!DOCTYPE m [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
      "<m xmlns=\"DAV:\"><response><href>&x;</href></response></m>",
  };
  for (const char* Text : Answers) EXPECT_ANY_THROW(Parse(Text)) << Text;
}

// ---- against the real server ---------------------------------------------------------------------

const char* const kWizardNamespace = "urn:example:wizard:1";
const std::string kFolder = "%D0%94%D0%BE%D0%BA%D1%83%D0%BC%D0%B5%D0%BD%D1%82%D1%8B";  // "Документы"

class TPropFindServerTest : public Testing::TDavTest {
 protected:
  // A dead property in a namespace of our own, set once on the report file.
  static void SetUpTestSuite() {
    Testing::TDavTest::SetUpTestSuite();
    TWinInetWebClient Client;
    TStringStream Body(std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                                   "<D:propertyupdate xmlns:D=\"DAV:\" xmlns:W=\"") +
                       kWizardNamespace +
                       "\"><D:set><D:prop><W:revision>42</W:revision><W:comment>Проверено</W:comment>"
                       "</D:prop></D:set></D:propertyupdate>");
    Client.Headers()["Content-Type"] = "application/xml";
    Client.SendRequest(Server().Url(kFolder + "/%D0%9E%D1%82%D1%87%D1%91%D1%82%20%D0%B7%D0%B0%20%D0%B3%D0%BE%D0%B4.txt"),
                       "PROPPATCH", &Body, nullptr);
    ASSERT_EQ(Client.ResponseStatusCode(), 207);
  }

  static const TPropFindEntry* Find(const TPropFind& AResult, const std::string& AName) {
    for (const auto& Entry : AResult.Entries())
      if (Entry->EntryName() == AName) return Entry.get();
    return nullptr;
  }
};

TEST_F(TPropFindServerTest, ListsTheFolderAndItsDirectChildrenOnly) {
  for (const std::string& Url : {Server().Url(kFolder + "/"), Server().Url(kFolder)}) {
    auto Result = ExecutePropFind(Url);
    ASSERT_EQ(Result->EntryCount(), 3) << Url;
    const TPropFindEntry& Self = *Result->Entries()[0];
    EXPECT_EQ(Self.EntryName(), "Документы");
    EXPECT_TRUE(Self.IsContainer());
    EXPECT_EQ(LowerCase(Self.Url()), "/dav/" + LowerCase(kFolder) + "/");

    const TPropFindEntry* Report = Find(*Result, "Отчёт за год.txt");
    ASSERT_NE(Report, nullptr);
    EXPECT_FALSE(Report->IsContainer());
    EXPECT_EQ(Report->ContentSize(), static_cast<std::int64_t>(std::string("отчёт\n").size()));
    EXPECT_EQ(Report->Status(), "HTTP/1.1 200 OK");
    EXPECT_DOUBLE_EQ(Report->ChangeDate(), 0);  // the server writes RFC 1123 dates

    const std::string Namespaces = std::string("xmlns:w=\"") + kWizardNamespace + "\"";
    EXPECT_EQ(SelectNode(Report->XML(), ".//w:revision", Namespaces).Text(), "42");
    EXPECT_EQ(SelectNode(Report->XML(), ".//w:comment", Namespaces).Text(), "Проверено");

    const TPropFindEntry* Sub = Find(*Result, "Вложенная папка");
    ASSERT_NE(Sub, nullptr);
    EXPECT_TRUE(Sub->IsContainer());
    EXPECT_EQ(Find(*Result, "x.txt"), nullptr) << "Depth 1 must not list grandchildren";
  }
}

TEST_F(TPropFindServerTest, HttpErrorsReachTheCaller) {
  struct TCase {
    std::string Path;
    int Code;
  } Cases[] = {{"missing/", 404}, {"private/", 401}};
  for (const TCase& Case : Cases) {
    try {
      ExecutePropFind(Server().Url(Case.Path));
      FAIL() << Case.Path;
    } catch (const EHttpStatusException& E) {
      EXPECT_EQ(E.StatusCode, Case.Code) << Case.Path;
    }
  }
}

}  // namespace
}  // namespace Quellit
