#include "Lib/Common/Common.XMLUtils.h"
#include "Lib/Common/Common.XMLUtils.Prolog.h"
#include "Lib/Common/Common.XMLUtils.Writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Lib/Common/Common.Streams.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Support/RussianLocale.h"
#include "Support/ScratchFolder.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace Quellit {
namespace {

#ifdef _WIN32
bool UnderWine() { return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }
#endif

using Testing::TScratchFolder;

TXMLDocument Parse(const std::string& AText) {
  TXMLDocument Doc = TXMLDocument::Create();
  Doc.LoadFromBytes(AText);
  return Doc;
}

TXMLElement Root(const std::string& AText) { return Parse(AText).DocumentElement(); }

std::vector<std::string> Names(const TXMLNodeList& AList) {
  std::vector<std::string> Result;
  for (const TXMLNode& Node : AList) Result.push_back(Node.NodeName());
  return Result;
}

// ---- loading ----------------------------------------------------------------------------------------

TEST(LoadXMLFile, ReadsTheDeclaredEncodingIntoUtf8Text) {
  TScratchFolder Scratch;
  const std::string Cp1251 = Scratch.Write("a.xml", "<?xml version=\"1.0\" encoding=\"windows-1251\"?><r v=\"\xD1\xEC\xE5\xF2\xFB\"/>");
  const std::string Utf8 = Scratch.Write("b.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r v=\"Сметы\"/>");
  for (const std::string& File : {Cp1251, Utf8}) {
    TXMLDocument Doc = LoadXMLFile(File);
    EXPECT_EQ(ReadAttrStr(Doc.DocumentElement(), "v"), "Сметы") << File;
  }
  EXPECT_EQ(LoadXMLFile(Cp1251).Encoding(), "windows-1251");
  EXPECT_EQ(LoadXMLFile(Utf8).Encoding(), "UTF-8");
}

TEST(LoadXMLFile, DropsWhitespaceBetweenElementsButKeepsText) {
  TXMLElement R = Root("<r>\r\n  <a>  </a>\n\t<b> x </b>\n</r>");
  EXPECT_EQ(Names(R.ChildNodes()), (std::vector<std::string>{"a", "b"}));
  EXPECT_FALSE(R.FirstChild().HasChildNodes());
  EXPECT_EQ(R.FirstChild().NextSibling().Text(), " x ");
}

TEST(LoadXMLFile, EmptyFileNamesTheFileAndKeepsTheParserErrorAsInner) {
  TScratchFolder Scratch;
  const std::string File = Scratch.Write("empty.xml", "");
  try {
    LoadXMLFile(File);
    FAIL() << "an empty file must not load";
  } catch (const EInvalidXMLFile& E) {
    const std::string Prefix = "Ошибка при загрузке файла \"" + File + "\"\r\n";
    EXPECT_EQ(E.Message().substr(0, Prefix.size()), Prefix);
    EXPECT_GT(E.Message().size(), Prefix.size());
    EXPECT_NE(dynamic_cast<const EDOMParseError*>(E.InnerException()), nullptr);
  }
}

// Every bad input fails as EInvalidXMLFile naming the file: no crash, no hang, no file read.
TEST(LoadXMLFile, RefusesBadInput) {
  TScratchFolder Scratch;
  const std::string Secret = Scratch.Write("secret.txt", "TOP-SECRET-CONTENT");
  struct TCase {
    const char* Name;
    std::string Content;
  };
  const std::vector<TCase> Cases = {
      {"malformed", "<r><a></r>"},
      {"text only", "just text"},
      {"undeclared ANSI", "<r v=\"\xD1\xEC\xE5\xF2\xFB\"/>"},
      {"unknown encoding", "<?xml version=\"1.0\" encoding=\"x-no-such-code\"?><r/>"},
      {"entity bomb",
       "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
       "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
       "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\"><!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">"
       "<!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\"><!ENTITY h \"&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;\">]>"
       "<r v=\"&h;\">&h;</r>"},
      {"external entity", "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY x SYSTEM \"file://" + Secret + "\">]><r>&x;</r>"},
      {"external parameter entity",
       "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY % p SYSTEM \"file://" + Secret + "\"> %p;]><r/>"},
  };
  for (const TCase& Case : Cases) {
    const std::string File = Scratch.Write("bad.xml", Case.Content);
    try {
      LoadXMLFile(File);
      ADD_FAILURE() << Case.Name << " loaded";
    } catch (const EInvalidXMLFile& E) {
      EXPECT_NE(E.Message().find(File), std::string::npos) << Case.Name;
      EXPECT_EQ(E.Message().find("TOP-SECRET"), std::string::npos) << Case.Name;
    }
  }
}

// Neither entities nor default attributes come from an external definition: it is never read.
TEST(LoadXMLFile, NeverLoadsAnExternalDocumentTypeDefinition) {
  TScratchFolder Scratch;
  const std::string Dtd = Scratch.Write("secret.dtd", "<!ENTITY x \"TOP-SECRET\"><!ATTLIST r a CDATA \"TOP-SECRET\">");
  const std::string File = Scratch.Write("a.xml", "<?xml version=\"1.0\"?><!DOCTYPE r SYSTEM \"file://" + Dtd + "\"><r>&x;</r>");
  try {
    EXPECT_EQ(LoadXMLFile(File).DocumentElement().XML().find("TOP-SECRET"), std::string::npos);
  } catch (const EInvalidXMLFile& E) {
    EXPECT_EQ(E.Message().find("TOP-SECRET"), std::string::npos);
  }
}

TEST(LoadXMLFile, MissingFileKeepsTheSystemErrorAsInner) {
  TScratchFolder Scratch;
  try {
    LoadXMLFile(Scratch / "none.xml");
    FAIL();
  } catch (const EInvalidXMLFile& E) {
    EXPECT_NE(dynamic_cast<const EOSError*>(E.InnerException()), nullptr);
  }
}

TEST(LoadXMLFileInto, FailedLoadLeavesTheDocumentAsItWas) {
  TScratchFolder Scratch;
  TXMLDocument Doc = Parse("<kept/>");
  EXPECT_THROW(LoadXMLFileInto(Doc, Scratch.Write("bad.xml", "<a>")), EInvalidXMLFile);
  EXPECT_EQ(Doc.DocumentElement().NodeName(), "kept");
}

TEST(LoadXMLStream, ReadsFromThePositionAndLetsParserErrorsThrough) {
  TStringStream Stream("xx<r a=\"1\"/>");
  Stream.SetPosition(2);
  EXPECT_EQ(ReadAttrInt(LoadXMLStream(Stream).DocumentElement(), "a", 0), 1);
  TStringStream Broken("<r>");
  EXPECT_THROW(LoadXMLStream(Broken), EDOMParseError);
  TStringStream Ansi("<r v=\"\xD1\xEC\xE5\xF2\xFB\"/>");
  EXPECT_EQ(ReadAttrStr(LoadXMLStream(Ansi, xetWindows1251).DocumentElement(), "v"), "Сметы");
}

TEST(HandleLoadXmlFileError, MessageDependsOnWhatWasThrown) {
  try {
    try {
      throw 42;
    } catch (...) {
      HandleInvalidMSXMLVersionError();  // not a component failure: returns
      HandleLoadXmlFileError("f.xml");
    }
  } catch (const EInvalidXMLFile& E) {
    EXPECT_EQ(E.Message(), "Ошибка при загрузке файла \"f.xml\"");
  }
  try {
    try {
      throw EDOMUnavailable("old");
    } catch (...) {
      HandleInvalidMSXMLVersionError();
    }
    FAIL();
  } catch (const EWrongMSXML& E) {
    EXPECT_EQ(E.Message().rfind("Для работы требуется установленный Microsoft XML 3.0 или выше.\r\n"
                                "Детальное описание ошибки можно прочитать по данной ссылке http",
                                0),
              0u);
  }
}

TEST(HandleLoadXmlFileError, OutsideAHandlerIsAnAssertionFailure) {
  try {
    HandleLoadXmlFileError("f.xml");
  } catch (const EAssertionFailed& E) {
    EXPECT_NE(E.Message().find("Функцию HandleLoadXmlFileError нужно вызывать ТОЛЬКО в except блоке"), std::string::npos);
  }
  try {
    HandleInvalidMSXMLVersionError();
    FAIL();
  } catch (const EAssertionFailed& E) {
    EXPECT_NE(E.Message().find("Функцию HandleInvalidMSXMLVersionError нужно вызывать ТОЛЬКО в except блоке"), std::string::npos);
  }
}

// ---- error classes ------------------------------------------------------------------------------------

TEST(EInvalidXMLFile, MessagesAndRootCheck) {
  EXPECT_EQ(EInvalidXMLFile::Create4FileName("a.xml").Message(), "Файл \"a.xml\" имеет некорректный формат");
  EXPECT_EQ(EInvalidXMLFile::EmptyData().Message(), "Отсутствуют данные в XML-документе");
  EXPECT_NO_THROW(EInvalidXMLFile::CheckValidXMLRoot("oPTIONS", "Options"));
  for (const char* Fact : {"Option", "Options ", "Настройки"}) {
    try {
      EInvalidXMLFile::CheckValidXMLRoot(Fact, "Options");
      ADD_FAILURE() << Fact;
    } catch (const EInvalidXMLFile& E) {
      EXPECT_EQ(E.Message(), std::string("Считано имя корневого узла \"") + Fact + "\", ожидалось \"Options\"");
    }
  }
}

TEST(EWrongMSXML, ClassNameAndOperationName) {
  EWrongMSXML E("boom");
  E.IncludeOperationNameAsFirst("Load");
  EXPECT_EQ(E.Message(), "Load: boom");
  EXPECT_EQ(E.ClassNameAndMessage(), "[EWrongMSXML]Load: boom");
}

// ---- attributes ---------------------------------------------------------------------------------------

TEST(ReadAttr, TextDefaultsAndRequired) {
  const TXMLElement R = Root("<r full=\"x\" empty=\"\"/>");
  EXPECT_EQ(ReadAttrStr(R, "full"), "x");
  EXPECT_EQ(ReadAttrStr(R, "none"), "");
  EXPECT_EQ(ReadAttrStr(TXMLNode(), "full"), "");
  EXPECT_EQ(ReadAttrStrDef(R, "empty", "d"), "");
  EXPECT_EQ(ReadAttrStrDef(R, "none", "d"), "d");
  EXPECT_EQ(ReadAttrStrDef(TXMLNode(), "full", "d"), "d");
  for (const char* Name : {"empty", "none"}) {
    try {
      ReadAttrStr(R, Name, true);
      ADD_FAILURE() << Name;
    } catch (const EInvalidXMLData& E) {
      EXPECT_EQ(E.Message(), std::string("Обязательный параметр \"") + Name + "\" отсутствует в узле \"r\"");
    }
  }
}

TEST(ReadAttr, IntegersAndBooleans) {
  struct TCase {
    const char* Text;
    int Int;         // ReadAttrInt with default 7
    int Bool;        // ReadAttrBool with default false: 0, 1, or -1 for a conversion error
  };
  const TCase Cases[] = {
      {"12", 12, 1},   {"-35", -35, 1}, {"0", 0, 0},      {"12ab", 7, -1}, {"", 7, -1},
      {"true", 7, 1},  {"TRUE", 7, 1},  {"False", 7, 0},  {"yes", 7, -1},
  };
  for (const TCase& Case : Cases) {
    TXMLElement R = Root("<r/>");
    R.SetAttribute("v", Case.Text);
    EXPECT_EQ(ReadAttrInt(R, "v", 7), Case.Int) << Case.Text;
    if (Case.Bool < 0)
      EXPECT_THROW(ReadAttrBool(R, "v", false), EConvertError) << Case.Text;
    else
      EXPECT_EQ(ReadAttrBool(R, "v", false), Case.Bool == 1) << Case.Text;
  }
  EXPECT_EQ(ReadAttrInt(TXMLNode(), "v", 7), 7);
  EXPECT_TRUE(ReadAttrBool(Root("<r/>"), "v", true));
}

class XMLFloatAttr : public Testing::TRussianLocaleTest {};

TEST_F(XMLFloatAttr, UsesTheRegionalDecimalSeparator) {
  TXMLElement R = Root("<r/>");
  WriteAttrFloat(R, "v", 1.5L);
  EXPECT_EQ(ReadAttrStr(R, "v"), "1,5");
  EXPECT_EQ(ReadAttrFloat(R, "v", 9), 1.5L);
  WriteAttrFloat(R, "p", 0.1L);
  EXPECT_EQ(ReadAttrStr(R, "p"), "0,1");
  SetUserLocale("en_US");
  EXPECT_EQ(ReadAttrFloat(R, "v", 9), 9);
  EXPECT_EQ(ReadAttrFloat(R, "none", 9), 9);
}

TEST(WriteAttr, StringsIntegersAndBooleans) {
  TXMLElement R = Root("<r keep=\"old\" first=\"1\"/>");
  WriteAttrStr(R, "keep", "");
  EXPECT_EQ(ReadAttrStr(R, "keep"), "old");
  WriteAttrStr(R, "ctrl", std::string("\x01\x1F", 2));
  EXPECT_TRUE(R.HasAttribute("ctrl"));
  EXPECT_EQ(ReadAttrStr(R, "ctrl"), "");
  WriteAttrStr(R, "ws", "a\tb\nc\rd");
  EXPECT_EQ(ReadAttrStr(Root(R.XML()), "ws"), "a\tb\nc\rd");  // survives serializing
  WriteAttrInt(R, "same", 3, 3);
  EXPECT_FALSE(R.HasAttribute("same"));
  WriteAttrInt(R, "zero", 0, 3);
  EXPECT_EQ(ReadAttrStr(R, "zero"), "0");
  WriteAttrInt(R, "neg", -2147483647 - 1, 0);
  EXPECT_EQ(ReadAttrStr(R, "neg"), "-2147483648");
  WriteAttrBool(R, "b", true);
  WriteAttrBool(R, "c", false);
  EXPECT_EQ(ReadAttrStr(R, "b") + ReadAttrStr(R, "c"), "truefalse");
  WriteAttrStr(R, "first", "2");  // replaced in place, new ones appended
  EXPECT_EQ(R.AttributeNames(), (std::vector<std::string>{"keep", "first", "ctrl", "ws", "zero", "neg", "b", "c"}));
  EXPECT_THROW(WriteAttrStr(R, "bad name", "x"), EDOMError);
}

TEST(RemoveInvalidXMLChars, RemovesOnlyTheForbiddenControls) {
  const std::pair<std::string, std::string> Cases[] = {
      {"plain Сметы", "plain Сметы"},
      {std::string("a\0b", 3), "ab"},
      {"\x01\x08\x0B\x0C\x0E\x1F", ""},
      {"t\tn\nr\r", "t\tn\nr\r"},
      {"\x7F\xC2\x80", "\x7F\xC2\x80"},
  };
  for (const auto& [Input, Expected] : Cases) EXPECT_EQ(RemoveInvalidXMLChars(Input), Expected);
}

TEST(NodeTextDef, TextOrDefault) {
  EXPECT_EQ(NodeTextDef(Root("<r>a<b>b</b></r>"), "d"), "ab");
  EXPECT_EQ(NodeTextDef(TXMLNode(), "d"), "d");
}

// ---- XPath --------------------------------------------------------------------------------------------

const char* const Multistatus =
    "<D:multistatus xmlns:D=\"DAV:\"><D:response><D:href>/a</D:href>"
    "<D:propstat><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>"
    "<D:response><D:href>/b</D:href></D:response></D:multistatus>";

TEST(SelectNodes, PrefixesComeFromTheDeclarations) {
  const TXMLDocument Doc = Parse(Multistatus);
  const TXMLNodeList Responses = SelectNodes(Doc.AsNode(), "//d:response", "xmlns:d='DAV:'");
  ASSERT_EQ(Responses.Count(), 2);
  EXPECT_EQ(NodeTextDef(SelectNode(Responses.Item(0), "d:href", "xmlns:d=\"DAV:\""), ""), "/a");
  EXPECT_EQ(SelectNode(Responses.Item(0), "d:propstat/d:status", "xmlns:x='y'  xmlns:d='DAV:'").Text(), "HTTP/1.1 200 OK");
  EXPECT_TRUE(SelectNode(Responses.Item(1), "d:propstat", "xmlns:d='DAV:'").IsNull());
  EXPECT_EQ(Responses.Item(1).LocalName(), "response");
  EXPECT_EQ(Responses.Item(1).NodeName(), "D:response");
  EXPECT_EQ(SelectNodes(Doc.AsNode(), "//d:nothing", "xmlns:d='DAV:'").Count(), 0);
}

TEST(SelectNodes, DocumentOrderAndAttributes) {
  const TXMLElement R = Root("<r><a n=\"1\"><a n=\"2\"/></a><b/><a n=\"3\"/></r>");
  std::string Order;
  for (const TXMLNode& Node : SelectNodes(R, "//a")) Order += ReadAttrStr(Node, "n");
  EXPECT_EQ(Order, "123");
  EXPECT_EQ(SelectNode(R, "a/@n").Text(), "1");
  EXPECT_EQ(SelectNode(R, "b").NodeName(), "b");
}

TEST(SelectNodes, SelectionPropertiesComeBackAlsoOnFailure) {
  TXMLDocument Doc = Parse(Multistatus);
  Doc.SetProperty("SelectionLanguage", "XSLPattern");
  Doc.SetProperty("SelectionNamespaces", "xmlns:q='before'");
  const struct {
    const char* XPath;
    const char* Namespaces;
    bool Fails;
  } Cases[] = {
      {"//d:href", "xmlns:d='DAV:'", false},
      {"//d:href[", "xmlns:d='DAV:'", true},
      {"//d:href", "xmlns:d=DAV:", true},
      {"//zz:href", "xmlns:d='DAV:'", true},
      {"count(//d:href)", "xmlns:d='DAV:'", true},
  };
  for (const auto& Case : Cases) {
    if (Case.Fails)
      EXPECT_THROW(SelectNode(Doc.AsNode(), Case.XPath, Case.Namespaces), EDOMError) << Case.XPath;
    else
      EXPECT_FALSE(SelectNode(Doc.AsNode(), Case.XPath, Case.Namespaces).IsNull());
    EXPECT_EQ(Doc.GetProperty("SelectionLanguage"), "XSLPattern") << Case.XPath;
    EXPECT_EQ(Doc.GetProperty("SelectionNamespaces"), "xmlns:q='before'") << Case.XPath;
  }
}

TEST(SelectRequiredNode, MissingNodeNamesTheQuery) {
  try {
    SelectRequiredNode(Root("<r/>"), "x/y");
    FAIL();
  } catch (const EXMLNodeNotFound& E) {
    EXPECT_EQ(E.Message(), "Не найден узел по XPath запросу \"x/y\"");
  }
  EXPECT_EQ(SelectRequiredNode(Root("<r><x/></r>"), "x").NodeName(), "x");
}

// ---- enumeration ----------------------------------------------------------------------------------------

TEST(TXMLNodeListEnumerable, FiltersByLocalName) {
  const TXMLNodeList Children = Root("<r xmlns:p=\"u\"><p:a/><b/><a/><c/></r>").ChildNodes();
  const struct {
    const char* Filter;
    std::vector<std::string> Expected;
  } Cases[] = {{"", {"p:a", "b", "a", "c"}}, {"a", {"p:a", "a"}}, {"z", {}}, {"A", {}}};
  for (const auto& Case : Cases) {
    std::vector<std::string> Seen;
    auto Enumerator = TXMLNodeListEnumerable::Create(Children, Case.Filter).GetEnumerator();
    while (Enumerator.MoveNext()) Seen.push_back(Enumerator.Current().NodeName());
    EXPECT_EQ(Seen, Case.Expected) << Case.Filter;
    Seen.clear();
    for (const TXMLNode& Node : TXMLNodeListEnumerable::Create(Children, Case.Filter)) Seen.push_back(Node.NodeName());
    EXPECT_EQ(Seen, Case.Expected) << Case.Filter;
  }
  auto Empty = TXMLNodeListEnumerable::CreateEmpty().GetEnumerator();
  EXPECT_FALSE(Empty.MoveNext());
  EXPECT_FALSE(TXMLNodeListEnumerable::CreateEmpty().begin() != std::default_sentinel);
}

// ---- DOM ------------------------------------------------------------------------------------------------

TEST(TXMLDocument, NodesKeepTheirDocumentAndSurviveRemoval) {
  TXMLElement Kept;
  TXMLNode Removed;
  {
    TXMLDocument Doc = Parse("<r><a x=\"1\"><deep/></a><b/></r>");
    Kept = Doc.DocumentElement();
    Removed = Kept.FirstChild();
    Kept.RemoveChild(Removed);
    Kept.AsElement().RemoveAllChildren();
  }
  EXPECT_EQ(Kept.NodeName(), "r");
  EXPECT_FALSE(Kept.HasChildNodes());
  EXPECT_EQ(ReadAttrStr(Removed, "x"), "1");
  EXPECT_EQ(Removed.FirstChild().NodeName(), "deep");
  EXPECT_TRUE(Removed.ParentNode().IsNull());
  Kept.AppendChild(Removed);  // back into the tree
  EXPECT_EQ(Kept.XML(), "<r><a x=\"1\"><deep/></a></r>");
  Kept.SetText("t");
  EXPECT_EQ(Removed.NodeName(), "a");
  EXPECT_THROW(Parse("<o/>").DocumentElement().AppendChild(Kept.OwnerDocument().CreateElement("n")), EDOMError);
}

// Large parents are looked up through an index that must follow every change of the children.
TEST(TXMLElement, FindChildElementFollowsChangesAmongManySiblings) {
  for (int Count : {3, 40}) {
    TXMLElement R = Root("<r xmlns:p=\"u\"><p:x/></r>");
    for (int I = 0; I < Count; ++I) WriteAttrInt(R.AddChild("c" + std::to_string(I)), "n", I, -1);
    WriteAttrInt(R.AddChild("c1"), "n", 100, -1);
    EXPECT_EQ(ReadAttrInt(R.FindChildElement("c1"), "n", -1), 1) << Count;
    EXPECT_EQ(R.FindChildElement("p:x").LocalName(), "x") << Count;
    EXPECT_TRUE(R.FindChildElement("x").IsNull()) << Count;
    R.RemoveChild(R.FindChildElement("c1"));
    EXPECT_EQ(ReadAttrInt(R.FindChildElement("c1"), "n", -1), 100) << Count;
    R.AddChild("late");
    EXPECT_FALSE(R.FindChildElement("late").IsNull()) << Count;
    R.RemoveAllChildren();
    EXPECT_TRUE(R.FindChildElement("c0").IsNull()) << Count;
  }
}

TEST(TXMLDocument, SavesTheDeclarationIndentationAndCrLf) {
  TXMLDocument Doc = TXMLDocument::Create();
  Doc.SetDocumentElement(Doc.CreateElement("Options"));
  Doc.DocumentElement().AddChild("A").AddChild("B");
  EXPECT_EQ(Doc.SaveToBytes(), "<?xml version=\"1.0\"?>\r\n<Options><A><B/></A></Options>\r\n");
  Doc.SetIndented(true);
  Doc.SetEncoding("UTF-8");
  EXPECT_EQ(Doc.SaveToBytes(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Options>\r\n  <A>\r\n    <B/>\r\n  </A>\r\n</Options>\r\n");
}

TEST(TXMLDocument, Windows1251KeepsOtherCharactersAsReferences) {
  TXMLDocument Doc = TXMLDocument::Create();
  Doc.SetEncoding("windows-1251");
  Doc.SetDocumentElement(Doc.CreateElement("r"));
  const std::string Text = "Сметы € 中 😀 <&\">";
  WriteAttrStr(Doc.DocumentElement(), "v", Text);
  Doc.DocumentElement().AddChild("t").SetText(Text);
  const std::string Bytes = Doc.SaveToBytes();
  EXPECT_NE(Bytes.find("\xD1\xEC\xE5\xF2\xFB \x88 &#20013; &#128512;"), std::string::npos) << Bytes;
  const TXMLElement Back = Parse(Bytes).DocumentElement();
  EXPECT_EQ(ReadAttrStr(Back, "v"), Text);
  EXPECT_EQ(Back.FirstChild().Text(), Text);
}

// ---- saving: what is written reads back, what cannot be written is refused -----------------------

struct TTextCase {
  const char* Name;
  std::string Value;
  std::string Expected;  // what every encoding reads back
};

const std::vector<TTextCase>& HostileTexts() {
  static const std::vector<TTextCase> Cases = {
      {"malformed byte", "a\xFF" "b", "a\xEF\xBF\xBD" "b"},
      {"truncated sequence", "a\xD0", "a\xEF\xBF\xBD"},
      {"overlong form", "\xC0\xAF", "\xEF\xBF\xBD"},
      {"non-character U+FFFF", "x\xEF\xBF\xBFy", "xy"},
      {"non-character U+FDD0", "x\xEF\xB7\x90y", "xy"},
      {"non-character U+1FFFE", "x\xF0\x9F\xBF\xBEy", "xy"},
      {"unpaired surrogate", "\xED\xA0\x80z\xED\xBF\xBF", "z"},
      {"surrogate pair", "\xED\xA0\xBD\xED\xB8\x80", "\xF0\x9F\x98\x80"},
      {"forbidden controls", "\x01tab\t\x1F" "end", "tab\tend"},
      {"outside most code pages", "Сметы 中 😀 € \xC2\x98 <&\">", "Сметы 中 😀 € \xC2\x98 <&\">"},
  };
  return Cases;
}

// Every encoding a loaded file may declare and the parser reads; "" is a document without one.
const char* const SaveEncodings[] = {"", "UTF-8", "UTF-16", "UTF-16BE", "windows-1251", "ISO-8859-1", "KOI8-R", "ASCII"};

bool HoldsEveryCharacter(const std::string& AEncoding) { return AEncoding.empty() || AEncoding.rfind("UTF", 0) == 0; }

TEST(TXMLDocument, SavedValuesReadBackInEveryEncoding) {
  for (const std::string Encoding : SaveEncodings) {
    SCOPED_TRACE(Encoding);
    TScratchFolder Scratch;
    TXMLDocument Doc = TXMLDocument::Create();
    Doc.SetEncoding(Encoding);
    Doc.SetIndented(true);
    Doc.SetDocumentElement(Doc.CreateElement("Options"));
    const auto& Cases = HostileTexts();
    for (std::size_t I = 0; I < Cases.size(); ++I) {
      Doc.DocumentElement().SetAttribute("v" + std::to_string(I), Cases[I].Value);
      Doc.DocumentElement().AddChild("t" + std::to_string(I)).SetText(Cases[I].Value);
    }
    const std::string File = Scratch / "Connections.xml";
    ASSERT_NO_THROW(Doc.SaveToFile(File));
    const TXMLDocument Back = LoadXMLFile(File);
    EXPECT_EQ(Back.Encoding(), Encoding);
    for (std::size_t I = 0; I < Cases.size(); ++I) {
      SCOPED_TRACE(Cases[I].Name);
      EXPECT_EQ(ReadAttrStr(Back.DocumentElement(), "v" + std::to_string(I)), Cases[I].Expected);
      EXPECT_EQ(NodeTextDef(Back.DocumentElement().FindChildElement("t" + std::to_string(I)), "?"), Cases[I].Expected);
      // What the document holds in memory is what the file holds.
      EXPECT_EQ(ReadAttrStr(Doc.DocumentElement(), "v" + std::to_string(I)), Cases[I].Expected);
    }
  }
}

// A name, a comment or a CDATA section has no character references: what the encoding cannot hold
// there refuses the save, with the file left as it was; in an encoding that holds everything the
// same document is saved and reads back.
TEST(TXMLDocument, WhatTheEncodingCannotHoldOutsideValuesRefusesTheSave) {
  struct TCase {
    const char* Name;
    std::string Body;   // inside the root
    std::string Named;  // what the message names
  };
  const TCase Cases[] = {
      {"element name", "<中文/>", "\"中文\""},
      {"attribute name", "<a Имя中=\"1\"/>", "\"Имя中\""},
      {"namespace prefix", "<p中:a xmlns:p中=\"urn:x\"/>", "\"p中:a\""},
      {"comment", "<!-- 中 -->", "\"#comment\""},
      {"CDATA section", "<![CDATA[中]]>", "\"#cdata-section\""},
      {"processing instruction", "<?note 中?>", "\"note\""},
  };
  for (const std::string Encoding : SaveEncodings) {
    for (const TCase& C : Cases) {
      SCOPED_TRACE(Encoding + ": " + C.Name);
      TScratchFolder Scratch;
      const std::string File = Scratch.Write("settings.xml", "<Options old=\"1\"/>");
      const std::string Before = TScratchFolder::Read(File);
      TXMLDocument Doc = Parse("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Options>" + C.Body + "</Options>");
      Doc.SetEncoding(Encoding);
      if (HoldsEveryCharacter(Encoding)) {
        ASSERT_NO_THROW(Doc.SaveToFile(File));
        EXPECT_EQ(LoadXMLFile(File).DocumentElement().XML(), Doc.DocumentElement().XML());
        continue;
      }
      try {
        Doc.SaveToFile(File);
        ADD_FAILURE() << "saved: " << TScratchFolder::Read(File);
      } catch (const EDOMEncodingError& E) {
        const std::string Message = E.what();
        EXPECT_NE(Message.find(C.Named), std::string::npos) << Message;
        EXPECT_NE(Message.find("нельзя записать в кодировке \"" + Encoding + "\""), std::string::npos) << Message;
      }
      EXPECT_EQ(TScratchFolder::Read(File), Before);
    }
  }
}

#ifndef _WIN32
// Encodings only libxml2's ICU converters know: their character references would name the wrong
// character (or the closing quote), so a value or text they cannot hold refuses the save, and
// what they hold is written and reads back. (Elsewhere such names are unknown encodings.)
TEST(TXMLDocument, EncodingsWithoutRightReferencesRefuseWhatTheyCannotHold) {
  struct TCase {
    const char* Name;
    std::string Body;   // inside the root
    std::string Named;  // what the message names, or empty when the save succeeds
  };
  const TCase Cases[] = {
      {"Cyrillic", "<a v=\"Привет\">Сметы</a>", ""},
      {"value", "<a v=\"Привет中文\"/>", "Значение \"v\""},
      {"text", "<a>т中</a>", "Текст узла \"#text\""},
  };
  for (const std::string Encoding : {"ibm-1251_P100-1995", "w.indows-1251"}) {
    for (const TCase& C : Cases) {
      SCOPED_TRACE(Encoding + ": " + C.Name);
      TScratchFolder Scratch;
      const std::string File = Scratch.Write("Connections.xml", "<Options old=\"1\"/>");
      TXMLDocument Doc = Parse("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Options>" + C.Body + "</Options>");
      Doc.SetEncoding(Encoding);
      if (C.Named.empty()) {
        ASSERT_NO_THROW(Doc.SaveToFile(File));
        EXPECT_EQ(LoadXMLFile(File).DocumentElement().XML(), Doc.DocumentElement().XML());
        continue;
      }
      try {
        Doc.SaveToFile(File);
        ADD_FAILURE() << "saved: " << TScratchFolder::Read(File);
      } catch (const EDOMEncodingError& E) {
        EXPECT_EQ(std::string(E.what()), C.Named + " нельзя записать в кодировке \"" + Encoding + "\" XML-документа");
      }
      EXPECT_EQ(TScratchFolder::Read(File), "<Options old=\"1\"/>");
    }
  }
}

#endif

TEST(TXMLDocument, NamesThatAreNotTextAreRefusedWhereTheyEnter) {
  TXMLDocument Doc = Parse("<Options/>");
  for (const std::string Name : {"a\xFF", "\xC0\xAF", "a\xED\xA0\x80", "a\xEF\xBF\xBF"}) {
    EXPECT_THROW(Doc.CreateElement(Name), EDOMError);
    EXPECT_THROW(Doc.DocumentElement().SetAttribute(Name, "x"), EDOMError);
  }
}

TEST(TXMLDocument, AnUnknownEncodingRefusesTheSaveAndKeepsTheFile) {
  TScratchFolder Scratch;
  const std::string File = Scratch.Write("settings.xml", "<Options old=\"1\"/>");
  TXMLDocument Doc = Parse("<Options new=\"1\"/>");
  Doc.SetEncoding("no-such-encoding");
  EXPECT_THROW(Doc.SaveToFile(File), EDOMEncodingError);
  EXPECT_EQ(TScratchFolder::Read(File), "<Options old=\"1\"/>");
}

// The product's code page is read and written with the system's own codec: every byte of it comes
// back unchanged, the one the code page leaves unassigned (0x98) included.
TEST(TXMLDocument, EveryWindows1251ByteRoundTrips) {
  std::string High;
  for (int Byte = 0x80; Byte <= 0xFF; ++Byte) High += static_cast<char>(Byte);
  const std::string Bytes = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<r v=\"" + High + "\">" + High + "</r>\r\n";
  for (const std::string Declared : {"windows-1251", "WINDOWS-1251", "cp1251"}) {
    SCOPED_TRACE(Declared);
    std::string File = Bytes;
    File.replace(File.find("windows-1251"), 12, Declared);
    TScratchFolder Scratch;
    const TXMLDocument Doc = LoadXMLFile(Scratch.Write("options.xml", File));
    EXPECT_EQ(ReadAttrStr(Doc.DocumentElement(), "v"), Win1251ToUtf8(High));
    EXPECT_EQ(Doc.DocumentElement().Text(), Win1251ToUtf8(High));
    EXPECT_EQ(Doc.SaveToBytes(), File);
  }
}

// ---- our own serializer ------------------------------------------------------------------------

// Documents of every shape the system meets, for the serializer of the Windows build.
const std::vector<std::string>& WriterDocuments() {
  static const std::vector<std::string> Documents = [] {
    std::string Deep = "<r>";
    for (int I = 0; I < 35; ++I) Deep += "<l" + std::to_string(I) + " n=\"" + std::to_string(I) + "\">";
    Deep += "<leaf/>";
    for (int I = 34; I >= 0; --I) Deep += "</l" + std::to_string(I) + ">";
    Deep += "</r>";
    return std::vector<std::string>{
        "<Options><A W=\"120\" T=\"Сметы\" M=\"true\" Z=\"1,25\"><B/></A><C/></Options>",
        "<r>text<a>x</a> tail<b/><c><d/><e>1</e></c>\n</r>",
        "<r a=\"&lt;&amp;&gt;&quot;'&#10;&#13;&#9;\" b=\"中文 😀 € Сметы\" c=\"\"/>",
        "<r>&lt;&amp;&gt;\"' &#13;\r\n 中文😀 € Сметы<i>\t</i></r>",
        "<?pi data?><!-- before --><r><!--in--><?p x?><a/><!--Сметы--></r><!--after--><?end?>",
        "<r><![CDATA[a]]]]><![CDATA[>b]]><![CDATA[]]><x><![CDATA[ <&> ]]></x></r>",
        "<d:m xmlns:d=\"DAV:\" xmlns=\"urn:x\" a=\"1\"><d:r d:a=\"2\"/><q xmlns:p='u\"v' p:b=\"3\"/></d:m>",
        "<?xml version=\"1.0\" standalone=\"yes\"?><r/>",
        "<?xml version=\"1.0\" standalone=\"no\"?><r><s/></r>",
        Deep,
    };
  }();
  return Documents;
}

const char* const WriterEncodings[] = {"",         "UTF-8",      "utf-8",  "UTF-16",     "UTF-16LE", "UTF-16BE",
                                       "windows-1251", "CP1251", "KOI8-R", "ISO-8859-5", "ISO-8859-1", "ASCII"};

// Every document in every encoding, indented and not, one after another: a header line naming
// the case and the length, then the bytes (or the refusal's message).
std::string WriterCases() {
  std::string Dump;
  for (std::size_t I = 0; I < WriterDocuments().size(); ++I) {
    for (const std::string Encoding : WriterEncodings) {
      for (bool Indented : {false, true}) {
        TXMLDocument Doc = Parse(WriterDocuments()[I]);
        Doc.SetEncoding(Encoding);
        Doc.SetIndented(Indented);
        std::string Bytes;
        try {
          Bytes = WriteXMLBytes(Doc);
        } catch (const EDOMEncodingError& E) {
          Bytes = std::string("refused: ") + E.what();
        }
        Dump += "== document " + std::to_string(I) + " in \"" + Encoding + "\"" + (Indented ? " indented" : "") + ", " +
                std::to_string(Bytes.size()) + " bytes\n" + Bytes + "\n";
      }
    }
  }
  return Dump;
}

// The fixture holds what libxml2's serializer writes on Linux: every build writes the same bytes.
TEST(WriteXMLBytes, WritesTheBytesOfTheFixture) {
  const std::string Expected = TScratchFolder::Read(QUELLIT_TEST_FIXTURES "/XMLWriter/cases.txt");
  const std::string Written = WriterCases();
  EXPECT_EQ(Written.size(), Expected.size());
  // Case by case, so a difference names its case.
  for (std::size_t Pos = 0, Next = 0; Pos < Expected.size(); Pos = Next) {
    Next = Expected.find("\n== document ", Pos + 1);
    Next = Next == std::string::npos ? Expected.size() : Next + 1;
    const std::string Case = Expected.substr(Pos, Next - Pos);
    EXPECT_EQ(Written.substr(Pos, Case.size()), Case) << Case.substr(0, Case.find('\n'));
    if (Written.compare(Pos, Case.size(), Case) != 0) break;
  }
}

#ifndef _WIN32
// Where the DOM is libxml2, its serializer is the reference: ours writes the same bytes, or refuses
// the same document with the same message.
TEST(WriteXMLBytes, WritesWhatLibxml2Writes) {
  for (const std::string& Text : WriterDocuments()) {
    for (const std::string Encoding : WriterEncodings) {
      for (bool Indented : {false, true}) {
        SCOPED_TRACE(Text.substr(0, 60) + " in \"" + Encoding + (Indented ? "\", indented" : "\""));
        TXMLDocument Doc = Parse(Text);
        Doc.SetEncoding(Encoding);
        Doc.SetIndented(Indented);
        std::string Expected, Ours;
        try {
          Expected = Doc.SaveToBytes();
        } catch (const EDOMEncodingError& E) {
          Expected = std::string("refused: ") + E.what();
        }
        try {
          Ours = WriteXMLBytes(Doc);
        } catch (const EDOMEncodingError& E) {
          Ours = std::string("refused: ") + E.what();
        }
        EXPECT_EQ(Ours, Expected);
      }
      // A node's markup, for every element of the document.
      TXMLDocument Doc = Parse(Text);
      Doc.SetEncoding(Encoding);
      for (const TXMLNode& Node : SelectNodes(Doc.AsNode(), "//*")) EXPECT_EQ(WriteXMLNode(Node), Node.XML());
    }
  }
}
#endif

// ---- the prolog, read before any parser sees the bytes -----------------------------------------

std::string Utf16(const std::string& AAscii, bool ABigEndian) {
  std::string Result;
  for (char C : AAscii) Result += ABigEndian ? std::string{'\0', C} : std::string{C, '\0'};
  return Result;
}

TEST(ReadXMLProlog, ReadsTheDeclarationAndBlanksTheDocumentType) {
  struct TCase {
    std::string Bytes;
    std::string Version, Encoding;
    int Standalone;
    std::string After;  // the bytes as the parser gets them
  };
  const TCase Cases[] = {
      {"<r/>", "", "", -1, "<r/>"},
      {"<?xml version=\"1.0\" encoding='windows-1251' standalone=\"yes\"?><r/>", "1.0", "windows-1251", 1, ""},
      {"<?xml  version = '1.1'\r\n encoding=\"KOI8-R\"?>\n<r/>", "1.1", "KOI8-R", -1, ""},
      {"<?xml-stylesheet href=\"a\"?><r/>", "", "", -1, ""},
      {"\xEF\xBB\xBF<?xml version=\"1.0\" standalone='no'?><r/>", "1.0", "", 0, ""},
      {"<!DOCTYPE html><html/>", "", "", -1, "               <html/>"},
      {"<?xml version=\"1.0\"?>\n<!-- c --><?p x?>\n<!DOCTYPE r SYSTEM \"file:///a>b\" [\n<!ATTLIST r a CDATA \"]>\">\n"
       "<!-- <!ENTITY no 'x'> -->]>\n<r/>",
       "1.0", "", -1,
       "<?xml version=\"1.0\"?>\n<!-- c --><?p x?>\n                                  \n                         \n"
       "                           \n<r/>"},
      {"<r><!DOCTYPE r></r>", "", "", -1, ""},  // not in the prolog: the parser refuses it
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Bytes);
    std::string Bytes = C.Bytes;
    const TXMLProlog Prolog = ReadXMLProlog(Bytes);
    EXPECT_EQ(Prolog.HasDeclaration, !C.Version.empty());
    EXPECT_EQ(Prolog.Version, C.Version);
    EXPECT_EQ(Prolog.Encoding, C.Encoding);
    EXPECT_EQ(Prolog.Standalone, C.Standalone);
    EXPECT_EQ(Bytes, C.After.empty() ? C.Bytes : C.After);
    EXPECT_EQ(Prolog.HadDocumentType, !C.After.empty() && C.After != C.Bytes);
  }
  for (bool BigEndian : {false, true}) {
    for (bool Bom : {false, true}) {
      const std::string Mark = !Bom ? "" : BigEndian ? "\xFE\xFF" : "\xFF\xFE";
      std::string Bytes = Mark + Utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?><!DOCTYPE r><r/>", BigEndian);
      const TXMLProlog Prolog = ReadXMLProlog(Bytes);
      EXPECT_EQ(Prolog.Encoding, "UTF-16");
      EXPECT_EQ(Bytes, Mark + Utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>            <r/>", BigEndian));
    }
  }
}

TEST(ReadXMLProlog, RefusesEntityDeclarationsAndAnUnendedDocumentType) {
  const std::string Cases[] = {
      "<!DOCTYPE r [<!ENTITY a \"aaaa\">]><r>&a;</r>",
      "<?xml version=\"1.0\"?><!-- x --><!DOCTYPE r [<!ENTITY % p SYSTEM \"file:///etc/passwd\"> %p;]><r/>",
      Utf16("<!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><r>&x;</r>", false),
      "<!DOCTYPE r [<!ATTLIST r a CDATA \"x\"><r/>",
      "<!DOCTYPE r SYSTEM \"unended><r/>",
  };
  for (const std::string& Case : Cases) {
    std::string Bytes = Case;
    EXPECT_THROW(ReadXMLProlog(Bytes), EDOMParseError) << Case;
  }
}

TEST(LoadXMLFile, ABrokenFileIsNamedWithTheParsersReason) {
#ifdef _WIN32
  if (UnderWine()) GTEST_SKIP() << "Wine: MSXML's parse errors carry no line, column or reason";
#endif
  TScratchFolder Scratch;
  const std::string File = Scratch.Write("CommonSetting.xml", "<?xml version=\"1.0\"?>\r\n<Options>\r\n<a></b>\r\n</Options>");
  try {
    LoadXMLFile(File);
    FAIL() << "a broken file loaded";
  } catch (const EInvalidXMLFile& E) {
    const std::string Message = E.what();
    EXPECT_EQ(Message.rfind("Ошибка при загрузке файла \"" + File + "\"\r\n", 0), 0u) << Message;
    EXPECT_NE(Message.find("line 3"), std::string::npos) << Message;
  }
}

}  // namespace
}  // namespace Quellit
