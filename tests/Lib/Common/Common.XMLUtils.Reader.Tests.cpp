#include "Lib/Common/Common.XMLUtils.Reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "Lib/Common/Common.SysUtils.h"
#include "Support/ScratchFolder.h"

namespace Quellit {
namespace {

// Writes what the reader reports as "<{uri}name>", text pieces joined ("[cdata]" for CDATA), "</>".
class TTrace : public TXMLReaderHandler {
 public:
  void StartElement(std::string_view AURI, std::string_view AName) override {
    Text += "<{" + std::string(AURI) + "}" + std::string(AName) + ">";
  }
  void EndElement() override { Text += "</>"; }
  void Characters(std::string_view AText, bool ACData) override {
    Text += ACData ? "[" + std::string(AText) + "]" : std::string(AText);
  }
  std::string Text;
};

std::string Trace(std::string_view ABytes) {
  TTrace Result;
  TXMLStreamReader::Parse(ABytes, Result);
  return Result.Text;
}

// The same document fed one byte at a time, as a slow network would deliver it.
std::string TraceByteByByte(std::string_view ABytes) {
  TTrace Result;
  TXMLStreamReader Reader(Result);
  for (char C : ABytes) Reader.Feed(std::string_view(&C, 1));
  Reader.Finish();
  return Result.Text;
}

TEST(TXMLStreamReader, ReportsElementsWithTheirNamespacesAndTheTextBetween) {
  struct TCase {
    std::string Bytes;
    const char* Expected;
  } Cases[] = {
      {"<a:m xmlns:a=\"DAV:\"><a:r>x</a:r><b:p xmlns:b=\"urn:b\"/></a:m>", "<{DAV:}m><{DAV:}r>x</><{urn:b}p></></>"},
      {"<m xmlns=\"DAV:\"><r xmlns=\"\">t</r></m>", "<{DAV:}m><{}r>t</></>"},
      {"<?xml version=\"1.0\"?>\n<!-- c --><r>a&lt;&#x41;&amp;<![CDATA[<x>]]>b</r>", "<{}r>a<A&[<x>]b</>"},
      {"<?xml version=\"1.0\" encoding=\"windows-1251\"?><r>\xD1\xEC\xE5\xF2\xE0</r>", "<{}r>Смета</>"},
      {"\xEF\xBB\xBF<r>ё</r>", "<{}r>ё</>"},
      {std::string("\xFF\xFE<\0r\0>\0\x16\x04<\0/\0r\0>\0", 18), "<{}r>Ж</>"},
  };
  for (const TCase& Case : Cases) {
    EXPECT_EQ(Trace(Case.Bytes), Case.Expected) << Case.Bytes;
    EXPECT_EQ(TraceByteByByte(Case.Bytes), Case.Expected) << Case.Bytes;
  }
}

TEST(TXMLStreamReader, RefusesWhatIsNotAWellFormedDocumentOrDeclaresEntities) {
  auto Nested = [](int ADepth) {
    std::string Text;
    for (int I = 0; I < ADepth; ++I) Text += "<e>";
    for (int I = 0; I < ADepth; ++I) Text += "</e>";
    return Text;
  };
  struct TCase {
    std::string Bytes;
    const char* Message;  // the start of the message, when it is ours
  } Cases[] = {
      {"", ""},
      {"   ", ""},
      {"plain text", ""},
      {"<html><body>not closed", ""},
      {"<r></s>", ""},
      {"<r/><r/>", ""},
      {"<r>&undeclared;</r>", ""},
      {"<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]><r>&b;</r>",
       "Entity declarations are not allowed"},
      {"<!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><r>&x;</r>", "Entity declarations are not allowed"},
      {"<!DOCTYPE r [<!ENTITY % p \"<!ENTITY q 'z'>\">%p;]><r>&q;</r>", "Entity declarations are not allowed"},
      {Nested(kXMLReaderMaxDepth + 1), "Elements nest deeper than 256 levels"},
      {Nested(100000), "Elements nest deeper than 256 levels"},
  };
  for (const TCase& Case : Cases) {
    for (bool Slowly : {false, true}) {
      try {
        Slowly ? TraceByteByByte(Case.Bytes) : Trace(Case.Bytes);
        ADD_FAILURE() << "accepted: " << Case.Bytes.substr(0, 80);
      } catch (const EDOMParseError& E) {
        EXPECT_TRUE(E.Message().starts_with(Case.Message)) << E.Message();
        EXPECT_FALSE(E.Message().empty());
      }
    }
  }
  EXPECT_EQ(Trace(Nested(kXMLReaderMaxDepth)).size(), kXMLReaderMaxDepth * 8u);
}

TEST(TXMLStreamReader, NeverLoadsAnExternalDocumentTypeDefinition) {
  Testing::TScratchFolder Scratch;
  const std::string Dtd = Scratch.Write("x.dtd", "<!ENTITY secret \"from the file\">");
  const std::string Bytes = "<!DOCTYPE r SYSTEM \"file://" + Dtd + "\"><r>&secret;</r>";
  std::string Text;
  try {
    Text = Trace(Bytes);
  } catch (const EDOMParseError&) {
  }
  EXPECT_EQ(Text.find("from the file"), std::string::npos) << Text;
}

#ifdef _WIN32
// The reader over MSXML hears the document at Finish: a walk over its DOM, not a stream.
constexpr const char* WholeDocumentReader = "The reader over MSXML reads the whole document at Finish";
#endif

TEST(TXMLStreamReader, AHandlerErrorStopsTheReadingAndPassesUnchanged) {
#ifdef _WIN32
  GTEST_SKIP() << WholeDocumentReader;
#endif
  struct TFailing : TTrace {
    void StartElement(std::string_view AURI, std::string_view AName) override {
      if (AName == "bad") throw std::runtime_error("handler says no");
      TTrace::StartElement(AURI, AName);
    }
  } Handler;
  TXMLStreamReader Reader(Handler);
  EXPECT_THROW(
      {
        try {
          Reader.Feed("<r><a/><bad/><after/>");
        } catch (const std::runtime_error& E) {
          EXPECT_STREQ(E.what(), "handler says no");
          throw;
        }
      },
      std::runtime_error);
  EXPECT_EQ(Handler.Text, "<{}r><{}a></>");
  EXPECT_THROW(Reader.Feed("</r>"), EDOMParseError);
  EXPECT_THROW(Reader.Finish(), EDOMParseError);
}

// Whichever call hears the failing element (Feed while the bytes arrive, Finish where the whole
// document is read at its end), the handler's error passes out of it unchanged, what came before
// was heard, and every later call fails.
TEST(TXMLStreamReader, AHandlerErrorEndsTheReadingWhicheverCallHearsIt) {
  struct TFailing : TTrace {
    void StartElement(std::string_view AURI, std::string_view AName) override {
      if (AName == "bad") throw std::runtime_error("handler says no");
      TTrace::StartElement(AURI, AName);
    }
  } Handler;
  TXMLStreamReader Reader(Handler);
  std::string Error;
  try {
    Reader.Feed("<r><a/>t<bad/><after/>");
    Reader.Feed("</r>");
    Reader.Finish();
  } catch (const std::runtime_error& E) {
    Error = E.what();
  }
  EXPECT_EQ(Error, "handler says no");
  EXPECT_EQ(Handler.Text, "<{}r><{}a></>t");
  EXPECT_THROW(Reader.Feed("x"), EDOMParseError);
  EXPECT_THROW(Reader.Finish(), EDOMParseError);
}

TEST(TXMLStreamReader, ADocumentCutShortFailsOnlyAtItsEnd) {
#ifdef _WIN32
  GTEST_SKIP() << WholeDocumentReader;
#endif
  TTrace Handler;
  TXMLStreamReader Reader(Handler);
  Reader.Feed("<r><a>te");
  EXPECT_EQ(Handler.Text, "<{}r><{}a>");
  EXPECT_THROW(Reader.Finish(), EDOMParseError);
}


// A fresh process, so that nothing else has set the parser up before the reader does.
class TXMLStreamReaderAlone : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

// The reader decodes the product's code page with the system's codec even when it is the first
// to use the parser: every byte comes back, the unassigned 0x98 (U+0098) included.
TEST_F(TXMLStreamReaderAlone, ReadsWindows1251WithTheSystemsCodec) {
  EXPECT_EXIT(
      {
        const std::string Text = Trace("<?xml version=\"1.0\" encoding=\"windows-1251\"?><r>\x98\xC0</r>");
        std::exit(Text == "<{}r>\xC2\x98\xD0\x90</>" ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

// A byte the declared encoding does not have fails the read; the parser says nothing on standard
// error, which the unattended wizard keeps for its own messages.
TEST(TXMLStreamReader, ABadByteFailsTheReadWithoutPrintingAnything) {
  for (const std::string Bytes : {"<?xml version=\"1.0\" encoding=\"ASCII\"?><r>\xFF\xBF</r>",
                                  "<?xml version=\"1.0\" encoding=\"ISO-2022-JP\"?><r>\x1B$B\xFF\xFF</r>"}) {
    SCOPED_TRACE(Bytes);
    ::testing::internal::CaptureStderr();
    TTrace Handler;
    EXPECT_THROW(TXMLStreamReader::Parse(Bytes, Handler), EDOMParseError);
    TXMLDocument Doc = TXMLDocument::Create();
    EXPECT_THROW(Doc.LoadFromBytes(Bytes), EDOMParseError);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  }
}

}  // namespace
}  // namespace Quellit
