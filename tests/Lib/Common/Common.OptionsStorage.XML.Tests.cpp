#include "Lib/Common/Common.OptionsStorage.XML.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "Lib/Common/Common.SysUtils.h"
#include "Platform/File.h"
#include "Support/RussianLocale.h"
#include "Support/ScratchFolder.h"

namespace Quellit {
namespace {

using Testing::TScratchFolder;

// "Сметы" and "Папка" in Windows-1251.
const std::string SmetyCp1251 = "\xD1\xEC\xE5\xF2\xFB";

TIntf<IOptionsReader> Reader(const std::string& AFileName) { return TIntf<IOptionsReader>(new TXmlOptionsReader(AFileName)); }
TIntf<IOptionsWriter> Writer(const std::string& AFileName) { return TIntf<IOptionsWriter>(new TXmlOptionsWriter(AFileName)); }

class XmlOptions : public Testing::TRussianLocaleTest {
 protected:
  TScratchFolder Scratch;
  std::string File = Scratch / "Options.xml";
};

TEST_F(XmlOptions, WorkedExampleIsSavedByteForByte) {
  {
    auto Root = Writer(File);
    auto A = Root->OpenSubWriter("A");
    A->WriteInteger("W", 120, 0);
    A->WriteString("T", "Сметы", "");
    A->WriteBool("M", true);
    A->WriteFloat("Z", 1.25L, 0);
    A->OpenSubWriter("B");
    A->Save();
  }
  EXPECT_EQ(TScratchFolder::Read(File),
            "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n"
            "<Options>\r\n"
            "  <A W=\"120\" T=\"" + SmetyCp1251 + "\" M=\"true\" Z=\"1,25\">\r\n"
            "    <B/>\r\n"
            "  </A>\r\n"
            "</Options>\r\n");

  auto A = Reader(File)->OpenSubReader("A");
  EXPECT_FALSE(A->IsEmptySection());
  EXPECT_EQ(A->ReadInteger("W", 0), 120);
  EXPECT_EQ(A->ReadString("T", ""), "Сметы");
  EXPECT_TRUE(A->ReadBool("M", false));
  EXPECT_EQ(A->ReadFloat("Z", 0), 1.25L);
  EXPECT_EQ(A->ReadInteger("Q", -4), -4);
  EXPECT_EQ(A->ReadSubkeyNames(), std::vector<std::string>{"B"});
  auto C = Reader(File)->OpenSubReader("C");
  EXPECT_TRUE(C->IsEmptySection());
  EXPECT_EQ(C->ReadString("T", "d"), "d");
}

TEST_F(XmlOptions, ConnectionsLikeFileRoundTripsByteForByte) {
  {
    auto Pool = Writer(File)->OpenSubWriter("Connections");
    const std::vector<std::pair<std::string, std::string>> Items = {
        {"Сметы 2024", "/home/user/Документы/Сметы"}, {"Нормативы «ФЕР»", "/srv/base"}, {"Web", "https://example.org/dav/"}};
    Pool->WriteInteger("Count", static_cast<int>(Items.size()), 0);
    for (std::size_t I = 0; I < Items.size(); ++I) {
      auto Item = Pool->OpenSubWriter("Item" + std::to_string(I));
      Item->WriteString("ClassID", "KV.Files", "");
      Item->WriteString("Caption", Items[I].first, "");
      Item->OpenSubWriter("Location")->WriteString("Path", Items[I].second, "");
      Item->WriteBool("Enabled", I != 1);
    }
    Pool->Save();
  }
  const std::string First = TScratchFolder::Read(File);
  Writer(File)->Save();
  EXPECT_EQ(TScratchFolder::Read(File), First);

  auto Item1 = Reader(File)->OpenSubReader("Connections\\Item1");
  EXPECT_EQ(Item1->ReadString("Caption", ""), "Нормативы «ФЕР»");
  EXPECT_FALSE(Item1->ReadBool("Enabled", true));
  EXPECT_EQ(Item1->OpenSubReader("Location")->ReadString("Path", ""), "/srv/base");
  EXPECT_EQ(Reader(File)->OpenSubReader("Connections")->ReadSubkeyNames(),
            (std::vector<std::string>{"Item0", "Item1", "Item2"}));
}

// A known options document, written through the storage, is the fixture's bytes on every build:
// the code page, the references for what it lacks, the escapes, the layout and the line ends.
TEST_F(XmlOptions, AKnownDocumentIsWrittenAsTheFixtureOnEveryBuild) {
  {
    auto W = Writer(File);
    auto Pool = W->OpenSubWriter("Connections");
    Pool->WriteString("Stale", "to be cleared", "");
    Pool->Clear();
    const std::vector<std::pair<std::string, std::string>> Items = {
        {"Сметы 2024", "C:\\Users\\Иван\\Документы\\Сметы"},
        {"Нормативы «ФЕР» & <ТЕР>", "\\\\server\\base\t\"quoted\"\r\nnext line"},
        {"Web € 中文 😀", "https://example.org/dav/"}};
    Pool->WriteInteger("Count", static_cast<int>(Items.size()), 0);
    for (std::size_t I = 0; I < Items.size(); ++I) {
      auto Item = Pool->OpenSubWriter("Item" + std::to_string(I));
      Item->WriteString("ClassID", I == 2 ? "KV.WebDAV.ReadOnly" : "KV.Files", "");
      Item->WriteString("Caption", Items[I].first, "");
      Item->OpenSubWriter("Location")->WriteString("Path", Items[I].second, "");
      Item->WriteBool("Enabled", I != 1);
      Item->WriteFloat("Changed", 45352.5L + static_cast<long double>(I), 0);
      Item->WriteInteger("Order", -static_cast<int>(I), 0);
    }
    W->OpenSubWriter("Empty\\Deeper");
    W->Save();
  }
  EXPECT_TRUE(TScratchFolder::Read(File) == TScratchFolder::Read(QUELLIT_TEST_FIXTURES "/OptionsStorage/Connections.xml"))
      << TScratchFolder::Read(File);
}

TEST_F(XmlOptions, MissingFileReadsAsAnEmptyRoot) {
  auto R = Reader(File);
  EXPECT_FALSE(R->IsEmptySection());
  EXPECT_TRUE(R->ReadSubkeyNames().empty());
  EXPECT_EQ(R->ReadInteger("a", 5), 5);
  EXPECT_EQ(R->ReadString("a", "s"), "s");
  EXPECT_TRUE(R->ReadBool("a", true));
  EXPECT_EQ(R->ReadFloat("a", 2.5L), 2.5L);
  EXPECT_FALSE(R->ValueExists("a"));
  EXPECT_FALSE(Platform::FileExists(File));
}

TEST_F(XmlOptions, MissingSectionsGiveEmptyAndThenFakeReaders) {
  Scratch.Write("Options.xml", "<Options><A x=\"1\"/></Options>");
  auto Missing = Reader(File)->OpenSubReader("Nope");
  EXPECT_TRUE(Missing->IsEmptySection());
  EXPECT_EQ(Missing->ReadInteger("x", 3), 3);
  EXPECT_TRUE(Missing->ReadSubkeyNames().empty());
  auto Deeper = Missing->OpenSubReader("A");
  EXPECT_NE(dynamic_cast<TFakeOptionsReader*>(Deeper.Get()), nullptr);
  EXPECT_TRUE(Deeper->IsEmptySection());
  EXPECT_EQ(Deeper->ReadString("x", "d"), "d");
  EXPECT_FALSE(Deeper->ValueExists("x"));
  EXPECT_TRUE(Deeper->OpenSubReader("B")->IsEmptySection());
}

TEST_F(XmlOptions, BackslashPathsReachTheSameSection) {
  Scratch.Write("Options.xml", "<Options><A><B v=\"1\"/></A><A><B v=\"2\"/></A></Options>");
  auto Root = Reader(File);
  for (const char* Path : {"A\\B", "A\\\\B\\", "\\A\\B"}) EXPECT_EQ(Root->OpenSubReader(Path)->ReadInteger("v", 0), 1) << Path;
  EXPECT_EQ(Root->OpenSubReader("A")->OpenSubReader("B")->ReadInteger("v", 0), 1);
  EXPECT_EQ(Root->ReadSubkeyNames(), (std::vector<std::string>{"A", "A"}));

  auto W = Writer(File);
  W->OpenSubWriter("X\\Y\\Z")->WriteInteger("n", 7, 0);
  EXPECT_EQ(W->OpenSubWriter("X")->OpenSubWriter("Y\\Z").Get() != nullptr, true);
  W->Save();
  EXPECT_EQ(Reader(File)->OpenSubReader("X")->OpenSubReader("Y")->OpenSubReader("Z")->ReadInteger("n", 0), 7);
  EXPECT_EQ(Reader(File)->OpenSubReader("X")->ReadSubkeyNames(), std::vector<std::string>{"Y"});
}

// Sections of one name are each reached by their place, and so is everything below them; comments
// and text are no sections.
TEST_F(XmlOptions, SubsectionsAreReachedByTheirPlace) {
  Scratch.Write("Options.xml",
                "<Options><!-- note --><A v=\"1\"><B v=\"1\"/></A>text<A v=\"2\"><B v=\"2\"/><B v=\"3\"/></A><![CDATA[x]]></Options>");
  const std::vector<TOptionsSubsection> Sections = Reader(File)->OpenSubsections();
  ASSERT_EQ(Sections.size(), 2u);
  EXPECT_EQ(Sections[1].Name, "A");
  EXPECT_EQ(Sections[1].Reader->ReadInteger("v", 0), 2);
  EXPECT_EQ(Sections[1].Reader->OpenSubReader("B")->ReadInteger("v", 0), 2);
  EXPECT_EQ(Sections[1].Reader->OpenSubsections().at(1).Reader->ReadInteger("v", 0), 3);
  EXPECT_TRUE(Sections[1].Reader->OpenSubReader("C")->IsEmptySection());
  EXPECT_TRUE(Reader(File)->OpenSubReader("Missing")->OpenSubsections().empty());

  // Written back by place too: AddSubWriter appends a sibling of the same name.
  auto W = Writer(Scratch / "Copy.xml");
  for (int I = 1; I <= 2; ++I) {
    auto A = W->AddSubWriter("A");
    A->WriteInteger("v", I, 0);
    A->OpenSubWriter("B")->WriteInteger("v", I, 0);
  }
  W->Save();
  const std::vector<TOptionsSubsection> Copied = Reader(Scratch / "Copy.xml")->OpenSubsections();
  ASSERT_EQ(Copied.size(), 2u);
  EXPECT_EQ(Copied[1].Reader->OpenSubReader("B")->ReadInteger("v", 0), 2);
  EXPECT_EQ(Copied[0].Reader->OpenSubReader("B")->ReadInteger("v", 0), 1);
}

TEST_F(XmlOptions, WriteRulesForDefaultsAndEmptyValues) {
  Scratch.Write("Options.xml", "<Options s1=\"a\" s2=\"b\" s3=\"c\" e=\"\" i=\"5\"/>");
  auto W = Writer(File);
  W->WriteString("s1", "x", "x");  // equal to the default: removed
  W->WriteString("s2", "", "");    // two empty texts are equal too
  W->WriteString("s3", "", "d");   // empty value, other default: untouched
  W->WriteInteger("zero", 0, 0);
  W->WriteInteger("zero2", 0, 4);  // zero is never stored
  W->WriteInteger("i", 9, 9);      // equal to the default: left as it is
  W->WriteString("ctl", std::string("a\x01", 2), "");
  W->Save();
  auto R = Reader(File);
  EXPECT_FALSE(R->ValueExists("s1"));
  EXPECT_FALSE(R->ValueExists("s2"));
  EXPECT_EQ(R->ReadString("s3", ""), "c");
  EXPECT_FALSE(R->ValueExists("zero"));
  EXPECT_FALSE(R->ValueExists("zero2"));
  EXPECT_EQ(R->ReadInteger("zero", 11), 11);
  EXPECT_EQ(R->ReadInteger("i", 0), 5);
  EXPECT_EQ(R->ReadString("ctl", ""), "a");
  EXPECT_TRUE(R->ValueExists("e"));
  EXPECT_EQ(R->ReadString("e", "d"), "");
  EXPECT_EQ(R->ReadInteger("e", 8), 8);
  EXPECT_THROW(R->ReadBool("s3", false), EConvertError);
}

TEST_F(XmlOptions, EmptySubWriterLeavesAnEmptyElement) {
  Writer(File)->OpenSubWriter("Empty")->Save();
  EXPECT_NE(TScratchFolder::Read(File).find("<Options>\r\n  <Empty/>\r\n</Options>"), std::string::npos);
}

TEST_F(XmlOptions, ClearEmptiesTheSectionOnly) {
  Scratch.Write("Options.xml", "<Options><A a=\"1\"><B/>text</A><C/></Options>");
  auto W = Writer(File);
  W->OpenSubWriter("A")->Clear();
  W->Save();
  EXPECT_EQ(Reader(File)->ReadSubkeyNames(), (std::vector<std::string>{"A", "C"}));
  EXPECT_FALSE(Reader(File)->OpenSubReader("A")->ValueExists("a"));
  EXPECT_TRUE(Reader(File)->OpenSubReader("A")->ReadSubkeyNames().empty());
}

TEST_F(XmlOptions, ForeignRootAndEncodingAreKept) {
  Scratch.Write("Options.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Settings><S v=\"Папка\"/></Settings>");
  auto W = Writer(File);
  W->OpenSubWriter("S")->WriteString("w", "Сметы", "");
  W->Save();
  const std::string Saved = TScratchFolder::Read(File);
  EXPECT_EQ(Saved, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Settings>\r\n  <S v=\"Папка\" w=\"Сметы\"/>\r\n</Settings>\r\n");
  EXPECT_EQ(Reader(File)->OpenSubReader("S")->ReadString("w", ""), "Сметы");
}

TEST_F(XmlOptions, CharactersOutsideTheCodePageSurvive) {
  auto W = Writer(File);
  W->WriteString("v", "中文 € 😀", "");
  W->Save();
  EXPECT_NE(TScratchFolder::Read(File).find("&#20013;&#25991; \x88 &#128512;"), std::string::npos);
  EXPECT_EQ(Reader(File)->ReadString("v", ""), "中文 € 😀");
}

// Every encoding an options file may declare (none: saved as "windows-1251"), each file made in
// it first, then written through the storage and read back. Values: malformed UTF-8 reads back as
// U+FFFD, non-characters, unpaired surrogates and forbidden controls are dropped, everything else
// comes back as written. Names: those the encoding holds come back; one it cannot hold refuses the
// save with our message naming it, one that is no text is refused where it enters; either way the
// file stays byte for byte as it was.
TEST_F(XmlOptions, EveryDeclaredEncodingReadsBackWhatWasWrittenOrRefusesTheName) {
  struct TEncoding {
    const char* Declared;
    bool HoldsCyrillic;
    bool HoldsEverything;
  };
  const TEncoding Encodings[] = {
      {"", true, false},          {"windows-1251", true, false}, {"cp1251", true, false},  {"UTF-8", true, true},
      {"UTF-16", true, true},     {"UTF-16LE", true, true},      {"UTF-16BE", true, true}, {"KOI8-R", true, false},
      {"ISO-8859-5", true, false}, {"ISO-8859-1", false, false},  {"ASCII", false, false},
  };
  struct TValue {
    const char* Name;
    std::string Written, Read;
  };
  const TValue Values[] = {
      {"malformed UTF-8", "a\xFF" "b\xD0", "a\xEF\xBF\xBD" "b\xEF\xBF\xBD"},
      {"U+FFFF and U+FDD0", "x\xEF\xBF\xBFy\xEF\xB7\x90", "xy"},
      {"unpaired surrogates", "\xED\xA0\x80z\xED\xBF\xBF", "z"},
      {"forbidden controls", "\x01tab\t\x1F" "end", "tab\tend"},
      {"outside most code pages", "Сметы 中文 😀 € \xC2\x98 <&\">", "Сметы 中文 😀 € \xC2\x98 <&\">"},
  };
  for (const TEncoding& E : Encodings) {
    SCOPED_TRACE(std::string("encoding \"") + E.Declared + "\"");
    TXMLDocument Made = TXMLDocument::Create();
    Made.LoadFromBytes("<Options><Old v=\"Сметы\"/></Options>");
    Made.SetEncoding(E.Declared);
    Made.SaveToFile(File);
    const std::string Saved = E.Declared[0] ? E.Declared : "windows-1251";

    // Values and the names the encoding holds.
    {
      auto W = Writer(File);
      auto S = W->OpenSubWriter("Values");
      for (std::size_t I = 0; I < std::size(Values); ++I) S->WriteString("v" + std::to_string(I), Values[I].Written, "");
      if (E.HoldsCyrillic) W->OpenSubWriter("Папка")->WriteString("Имя", "Смета", "");
      W->Save();
    }
    EXPECT_EQ(LoadXMLFile(File).Encoding(), Saved);
    auto R = Reader(File);
    EXPECT_EQ(R->OpenSubReader("Old")->ReadString("v", ""), "Сметы");
    for (std::size_t I = 0; I < std::size(Values); ++I)
      EXPECT_EQ(R->OpenSubReader("Values")->ReadString("v" + std::to_string(I), "?"), Values[I].Read) << Values[I].Name;
    if (E.HoldsCyrillic) {
      EXPECT_EQ(R->OpenSubReader("Папка")->ReadString("Имя", ""), "Смета");
    }

    // Names the encoding cannot hold, and names that are no text.
    const std::string Before = TScratchFolder::Read(File);
    std::vector<std::string> Unwritable = {"中文"};
    if (!E.HoldsCyrillic) Unwritable.push_back("Папка");
    for (const std::string& Name : Unwritable) {
      for (bool AsValue : {false, true}) {
        SCOPED_TRACE(Name + (AsValue ? " as a value name" : " as a section name"));
        auto W = Writer(File);
        if (AsValue) W->OpenSubWriter("Values")->WriteString(Name, "1", "");
        else W->OpenSubWriter(Name);
        if (E.HoldsEverything) {
          W->Save();
          auto Back = Reader(File)->OpenSubReader(AsValue ? "Values" : Name);
          EXPECT_TRUE(AsValue ? Back->ValueExists(Name) : !Back->IsEmptySection());
          Platform::WriteAllBytesAtomic(File, Before.data(), Before.size());
          continue;
        }
        try {
          W->Save();
          ADD_FAILURE() << "saved: " << TScratchFolder::Read(File);
        } catch (const EDOMEncodingError& Error) {
          EXPECT_EQ(Error.Message(), "Имя \"" + Name + "\" нельзя записать в кодировке \"" + Saved + "\" XML-документа");
        }
        EXPECT_TRUE(TScratchFolder::Read(File) == Before);
      }
    }
    for (const std::string Name : {"a\xFF", "a\xEF\xBF\xBF", "a\xED\xA0\x80"}) {
      auto W = Writer(File);
      try {
        W->OpenSubWriter(Name);
        ADD_FAILURE() << "a section named " << Name;
      } catch (const EDOMError& Error) {
        EXPECT_EQ(Error.Message().rfind("Имя \"", 0), 0u) << Error.Message();
      }
      EXPECT_THROW(W->WriteString(Name, "1", ""), EDOMError);
      W->Save();
      EXPECT_TRUE(TScratchFolder::Read(File) == Before);
    }
  }
}

TEST_F(XmlOptions, FloatsFollowTheRegionalSeparator) {
  auto W = Writer(File);
  W->WriteFloat("f", 1.5L, 0);
  W->WriteFloat("d", EncodeDateTime(2024, 3, 1, 12, 0, 0, 0), 0);
  W->Save();
  EXPECT_EQ(Reader(File)->ReadFloat("f", 0), 1.5L);
  EXPECT_EQ(Reader(File)->ReadString("d", ""), "45352,5");
  SetUserLocale("en_US");
  EXPECT_EQ(Reader(File)->ReadFloat("f", 7), 7);
}

TEST_F(XmlOptions, BrokenFileFailsReadersAndIsKeptAsBakByWriters) {
  const std::string Broken = "<Options><A></Options>";
  Scratch.Write("Options.xml", Broken);
  Scratch.Write("Options.xml.bak", "older backup");
  EXPECT_THROW(Reader(File), EInvalidXMLFile);

  auto W = Writer(File);
  EXPECT_EQ(TScratchFolder::Read(File), Broken);  // nothing touched before Save
  auto A = W->OpenSubWriter("New");
  A->WriteInteger("n", 1, 0);
  A->Save();
  EXPECT_EQ(TScratchFolder::Read(File + ".bak"), Broken);
  EXPECT_EQ(Reader(File)->ReadSubkeyNames(), std::vector<std::string>{"New"});

  W->Save();  // the copy is taken once: the .bak still holds the damaged file
  EXPECT_EQ(TScratchFolder::Read(File + ".bak"), Broken);
}

// A file over the bound is not damaged, only too large to read: readers and writers refuse it
// naming the file, and it stays as it is, no backup taken.
TEST_F(XmlOptions, AFileOverTheSizeBoundIsRefusedAndLeftAlone) {
  // Many small sections, as a large connections file holds them.
  std::string AtTheBound = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<Options a=\"1\">";
  const std::string Section = "\r\n  <C v=\"x\"/>", End = "\r\n</Options>";
  while (AtTheBound.size() + Section.size() + End.size() <= kMaxXMLFileBytes) AtTheBound += Section;
  AtTheBound += End;
  AtTheBound.append(kMaxXMLFileBytes - AtTheBound.size(), ' ');
  Scratch.Write("Options.xml", AtTheBound);
  EXPECT_EQ(Reader(File)->ReadInteger("a", 0), 1);

  const std::string OverTheBound = AtTheBound + " ";
  Scratch.Write("Options.xml", OverTheBound);
  const std::string Expected = "Ошибка при загрузке файла \"" + File + "\"\r\nФайл больше допустимых 16777216 байт (16 МиБ)";
  for (bool AsWriter : {false, true}) {
    SCOPED_TRACE(AsWriter ? "writer" : "reader");
    try {
      if (AsWriter) Writer(File)->Save();
      else Reader(File);
      ADD_FAILURE() << "the file was read";
    } catch (const EInvalidXMLFile& E) {
      EXPECT_EQ(E.Message().rfind(Expected, 0), 0u) << E.Message();
      EXPECT_NE(dynamic_cast<const EDOMFileTooLarge*>(E.InnerException()), nullptr);
    }
    EXPECT_TRUE(TScratchFolder::Read(File) == OverTheBound);
    EXPECT_FALSE(Platform::FileExists(File + ".bak"));
  }
}

TEST_F(XmlOptions, SaveCreatesMissingFoldersAndEverySaveRewrites) {
  const std::string Deep = Scratch / "a/b/c/Options.xml";
  auto W = Writer(Deep);
  W->WriteInteger("n", 1, 0);
  W->Save();
  EXPECT_EQ(Reader(Deep)->ReadInteger("n", 0), 1);
  W->WriteInteger("n", 2, 0);
  W->Save();
  EXPECT_EQ(Reader(Deep)->ReadInteger("n", 0), 2);
}

TEST_F(XmlOptions, SaveFailuresPropagate) {
  Scratch.Write("plain", "a file, not a folder");
  auto W = Writer(Scratch / "plain/Options.xml");
  W->WriteInteger("n", 1, 0);
  EXPECT_THROW(W->Save(), EOSError);
}

TEST_F(XmlOptions, ReadersAndWritersOfOneDocumentShareIt) {
  auto* Root = new TXmlOptionsWriter(File);
  TIntf<IOptionsWriter> Hold(Root);
  TIntf<IOptionsReader> Section(new TXmlOptionsReader(Root->Doc(), "A"));
  EXPECT_TRUE(Section->IsEmptySection());  // resolved when created
  Hold->OpenSubWriter("A")->WriteInteger("v", 3, 0);
  EXPECT_EQ(TIntf<IOptionsReader>(new TXmlOptionsReader(Root->Doc(), "A"))->ReadInteger("v", 0), 3);
}

TEST_F(XmlOptions, ProgrammingErrorsAreAssertions) {
  EXPECT_THROW(Reader(File)->OpenSubReader(""), EAssertionFailed);
  EXPECT_THROW(TXmlOptionsReader(TXMLDocument(), "A"), EAssertionFailed);
  try {
    Reader(File)->OpenSubReader("");
  } catch (const EAssertionFailed& E) {
    EXPECT_NE(E.Message().find("Lib/Common/Common.OptionsStorage.XML"), std::string::npos);
  }
}

}  // namespace
}  // namespace Quellit
