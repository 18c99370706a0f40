#include "Platform/IniFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "Platform/TextCodec.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using testing::ElementsAre;

// A settings file as people write them: comments, blanks around "=", quotes, a duplicate section,
// a duplicate name, Cyrillic section and value names.
const std::string Settings =
    "; settings of the update\r\n"
    "[links]\r\n"
    "showdialog = 0\r\n"
    "1=Нормативы\r\n"
    "2 = \"readme.txt\"\r\n"
    "\r\n"
    "[Раздел]\r\n"
    "Ключ = \"Значение\"\r\n"
    "blank=   \r\n"
    "single='  spaced  '\r\n"
    "unbalanced=\"half\r\n"
    "dup=first\r\n"
    "dup=second\r\n"
    "no value line\r\n"
    "; ignored=comment\r\n"
    "[CommonSettings.XML]\r\n"
    "ExternalFileExts=.kvx;.kvz\r\n"
    "[раздел]\r\n"
    "Ключ=from the duplicate section\r\n"
    "extra=only here\r\n";

struct TEncodingCase {
  const char* Name;
  TTextEncoding Encoding;
  bool Bom;
};

const TEncodingCase Encodings[] = {
    {"utf-8", TTextEncoding::Utf8, false},
    {"utf-8 with bom", TTextEncoding::Utf8, true},
    {"utf-16le with bom", TTextEncoding::Utf16LE, true},
    {"utf-16be with bom", TTextEncoding::Utf16BE, true},
    {"windows-1251", TTextEncoding::Windows1251, false},
};

class IniFileTest : public testing::Test {
 protected:
  std::string WriteFile(const std::string& AText, TTextEncoding AEncoding = TTextEncoding::Utf8, bool ABom = false,
                        const std::string& AName = "settings.ini") {
    return Scratch.Write(AName, EncodeText(AText, AEncoding, ABom));
  }
  static std::string Content(const std::string& APath) { return Testing::TScratchFolder::Read(APath); }

  Testing::TScratchFolder Scratch;
};

TEST_F(IniFileTest, ReadsTheSameInEveryEncoding) {
  for (const TEncodingCase& Case : Encodings) {
    SCOPED_TRACE(Case.Name);
    const TIniFile Ini(WriteFile(Settings, Case.Encoding, Case.Bom));
    EXPECT_EQ(Ini.ReadString("РАЗДЕЛ", "ключ", "-"), "Значение");
    EXPECT_EQ(Ini.ReadString("раздел", "extra", "-"), "-");  // only the first section of a name counts
    EXPECT_EQ(Ini.ReadString("Раздел", "blank", "-"), "");
    EXPECT_EQ(Ini.ReadString("Раздел", "single", "-"), "  spaced  ");
    EXPECT_EQ(Ini.ReadString("Раздел", "unbalanced", "-"), "\"half");
    EXPECT_EQ(Ini.ReadString("Раздел", "dup", "-"), "first");
    EXPECT_EQ(Ini.ReadString("Раздел", "ignored", "-"), "-");
    EXPECT_EQ(Ini.ReadString("Раздел", "missing", "-"), "-");
    EXPECT_EQ(Ini.ReadString("commonsettings.xml", "EXTERNALFILEEXTS", ""), ".kvx;.kvz");
    EXPECT_EQ(Ini.ReadString("links", "2", ""), "readme.txt");
    EXPECT_FALSE(Ini.ReadBool("LINKS", "showdialog", true));
    EXPECT_TRUE(Ini.ReadBool("connections", "showdialog", true));
    EXPECT_THAT(Ini.ReadSection("links"), ElementsAre("showdialog", "1", "2"));
    EXPECT_THAT(Ini.ReadSection("Раздел"), ElementsAre("Ключ", "blank", "single", "unbalanced", "dup", "dup", "no value line"));
    EXPECT_THAT(Ini.ReadSections(), ElementsAre("links", "Раздел", "CommonSettings.XML"));
    EXPECT_THAT(Ini.ReadSectionValues("links"), ElementsAre("showdialog=0", "1=Нормативы", "2=readme.txt"));
    EXPECT_TRUE(Ini.SectionExists("RAЗДЕЛ") == false);  // a Latin "A" is another letter
    EXPECT_TRUE(Ini.SectionExists("ССЫЛКИ") == false);
    EXPECT_TRUE(Ini.SectionExists("Links"));
    EXPECT_TRUE(Ini.ValueExists("Раздел", "BLANK"));
    EXPECT_FALSE(Ini.ValueExists("Раздел", "extra"));
  }
}

TEST_F(IniFileTest, ReadsNumbersLikeThePlatform) {
  struct TCase {
    const char* Text;
    int Expected;
  };
  const TCase Cases[] = {{"42", 42},       {"-5", -5},   {"+7", 7},         {"$1F", 31},         {"0x10", 16},
                         {"$FFFFFFFF", -1}, {"abc", 99}, {"12abc", 99},     {"", 99},            {"2147483648", 99},
                         {"-2147483648", -2147483647 - 1}, {"\"8\"", 8}, {"  9  ", 9}, {"1.5", 99}};
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Text);
    const TIniFile Ini(WriteFile(std::string("[n]\nv=") + Case.Text + "\n"));
    EXPECT_EQ(Ini.ReadInteger("n", "v", 99), Case.Expected);
    EXPECT_EQ(Ini.ReadBool("n", "v", false), Case.Expected != 0 && Case.Expected != 99);
  }
}

TEST_F(IniFileTest, MissingFileReadsAsEmpty) {
  const TIniFile Ini(Scratch / "missing.ini");
  EXPECT_EQ(Ini.ReadString("a", "b", "default"), "default");
  EXPECT_EQ(Ini.ReadInteger("a", "b", 5), 5);
  EXPECT_FALSE(Ini.SectionExists("a"));
  EXPECT_TRUE(Ini.ReadSections().empty());
  EXPECT_TRUE(Ini.ReadSection("a").empty());
}

TEST_F(IniFileTest, WritesInPlaceKeepingEveryOtherLineAndTheEncoding) {
  for (const TEncodingCase& Case : Encodings) {
    SCOPED_TRACE(Case.Name);
    const std::string Path = WriteFile(Settings, Case.Encoding, Case.Bom);
    TIniFile Ini(Path);
    Ini.WriteString("раздел", "КЛЮЧ", "Новое значение");  // existing: the line keeps its name as written
    Ini.WriteString("links", "3", "Сметы");                // missing name: after the last value of the section
    Ini.WriteString("connections", "showdialog", "1");     // missing section: at the end
    std::string Expected = Settings;
    const std::string Old = "Ключ = \"Значение\"";
    Expected.replace(Expected.find(Old), Old.size(), "Ключ =Новое значение");
    Expected.replace(Expected.find("\r\n\r\n[Раздел]"), 0, "\r\n3=Сметы");
    Expected += "\r\n[connections]\r\nshowdialog=1\r\n";
    EXPECT_EQ(Content(Path), EncodeText(Expected, Case.Encoding, Case.Bom));
    EXPECT_EQ(TIniFile(Path).ReadString("Раздел", "Ключ", ""), "Новое значение");
  }
}

TEST_F(IniFileTest, NewFilesAreUtf8WithoutMark) {
  const std::string Path = Scratch / "new.ini";
  TIniFile Ini(Path);
  Ini.WriteString("Раздел", "Ключ", "Значение");
  Ini.WriteInteger("Раздел", "Число", -12);
  Ini.WriteBool("Другой", "Флаг", true);
  EXPECT_EQ(Content(Path), "[Раздел]\r\nКлюч=Значение\r\nЧисло=-12\r\n\r\n[Другой]\r\nФлаг=1\r\n");
}

TEST_F(IniFileTest, KeepsLineBreaksAndAMissingFinalBreak) {
  const std::string Path = WriteFile("[a]\nx=1\n[b]\ny=2");
  TIniFile Ini(Path);
  Ini.WriteString("a", "x", "one");
  EXPECT_EQ(Content(Path), "[a]\nx=one\n[b]\ny=2");
  Ini.WriteString("b", "z", "3");
  EXPECT_EQ(Content(Path), "[a]\nx=one\n[b]\ny=2\nz=3\n");
}

// A change rewrites only its own line: every other line keeps its bytes and its own break, even in
// a file that mixes them (a stray CR before a break once turned one value into another).
TEST_F(IniFileTest, LinesAChangeDoesNotTouchKeepTheirBytes) {
  struct TCase {
    const char* Name;
    std::string Before, After;
  };
  const TCase Cases[] = {
      {"LF file, one line ends in CR CR LF", "[a]\nq='v'\r\r\nx=1\n", "[a]\nq='v'\r\r\nx=2\n"},
      {"CR LF file, one line ends in LF", "[a]\r\nq=v\nx=1\r\n", "[a]\r\nq=v\nx=2\r\n"},
      {"a new value after a last line without break", "[a]\r\nq=v", "[a]\r\nq=v\r\nx=2\r\n"},
      {"a new section in a CR LF file", "[b]\r\nq=v\r\n", "[b]\r\nq=v\r\n\r\n[a]\r\nx=2\r\n"},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    const std::string Path = WriteFile(Case.Before);
    const std::string Quoted = TIniFile(Path).ReadString("a", "q", "-");
    TIniFile(Path).WriteString("a", "x", "2");
    EXPECT_EQ(Content(Path), Case.After);
    TIniFile Again(Path);
    EXPECT_EQ(Again.ReadString("a", "q", "-"), Quoted);
    EXPECT_EQ(Again.ReadString("a", "x", "-"), "2");
  }
}

// Reading a section name by name is linear in the section, whatever its size.
TEST_F(IniFileTest, ReadsALargeSectionNameByName) {
  std::string Text = "[links]\r\n";
  for (int I = 0; I < 50000; ++I) Text += "k" + std::to_string(I) + "=v" + std::to_string(I) + "\r\n";
  const std::string Path = WriteFile(Text + "[links]\r\nk7=second section\r\n");
  // Older than the file clock's tick, so each read only looks at the file's state.
  std::filesystem::last_write_time(Path, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
  TIniFile Ini(Path);
  const std::vector<std::string> Names = Ini.ReadSection("LINKS");
  ASSERT_EQ(Names.size(), 50000u);
  for (const std::string& Name : Names) ASSERT_EQ(Ini.ReadString("links", Name, ""), "v" + Name.substr(1));
  EXPECT_EQ(Ini.ReadSectionValues("links")[7], "k7=v7");
  EXPECT_THAT(Ini.ReadSections(), ElementsAre("links"));
}

TEST_F(IniFileTest, AFileOverTheSizeBoundIsNotRead) {
  const std::string Path = WriteFile("[a]\r\nx=1\r\n");
  std::filesystem::resize_file(Path, MaxIniFileBytes + 1);
  const std::string Before = Content(Path);
  TIniFile Ini(Path);
  EXPECT_EQ(Ini.ReadString("a", "x", "default"), "default");
  try {
    Ini.WriteString("a", "y", "2");
    ADD_FAILURE() << "written";
  } catch (const EIniFileException& E) {
    EXPECT_THAT(E.Message(), testing::HasSubstr("File too large"));
  }
  EXPECT_EQ(Content(Path), Before);
}

TEST_F(IniFileTest, ValuesReadBackExactlyAsWritten) {
  const std::string Path = Scratch / "values.ini";
  TIniFile Ini(Path);
  for (const std::string Value : {" leading", "trailing\t", "'single'", "\"double\"", "\"", "", "a=b;c", "\"mixed'"}) {
    SCOPED_TRACE(Value);
    Ini.WriteString("s", "v", Value);
    EXPECT_EQ(TIniFile(Path).ReadString("s", "v", "-"), Value);
  }
}

TEST_F(IniFileTest, RefusesWhatTheFileCannotHold) {
  const std::string Path = WriteFile("[Раздел]\r\nКлюч=Значение\r\n", TTextEncoding::Windows1251);
  const std::string Before = Content(Path);
  TIniFile Ini(Path);
  const auto Refused = [&](const std::string& ASection, const std::string& AIdent, const std::string& AValue) {
    EXPECT_THROW(Ini.WriteString(ASection, AIdent, AValue), EIniFileException) << ASection << "/" << AIdent << "/" << AValue;
  };
  Refused("Раздел", "Ключ", "日本");  // not in the file's code page
  Refused("Раздел", "Ключ", "two\r\nlines");
  Refused("Раздел", "Ключ", "injected\n[other]");
  Refused("Раздел", "a=b", "x");
  Refused("Раздел", "", "x");
  Refused("Раздел", " padded", "x");
  Refused("Раздел", ";comment", "x");
  Refused("Раздел", "[bracket", "x");
  Refused("Раз]дел", "k", "x");
  Refused("Раздел\n", "k", "x");
  EXPECT_EQ(Content(Path), Before);
  Ini.WriteString("Раздел", "Ключ", "Другое");  // Cyrillic the code page holds is written in it
  EXPECT_EQ(Content(Path), EncodeText("[Раздел]\r\nКлюч=Другое\r\n", TTextEncoding::Windows1251));
}

// Reads answer their defaults, but a write would replace contents it never saw, so it refuses. A
// file without read permission is the other unreadable one, tested with the POSIX backend.
TEST_F(IniFileTest, AnUnreadableFileIsNotOverwritten) {
  const std::string Folder = Scratch / "folder.ini";
  std::filesystem::create_directory(Folder);
  TIniFile Ini(Folder);
  EXPECT_EQ(Ini.ReadString("a", "x", "default"), "default");
  EXPECT_THROW(Ini.WriteString("a", "y", "2"), EIniFileException);
  EXPECT_TRUE(std::filesystem::is_directory(Folder));
}

TEST_F(IniFileTest, ErasesSectionsAndDeletesKeys) {
  const std::string Path = WriteFile(Settings);
  TIniFile Ini(Path);
  Ini.EraseSection("РАЗДЕЛ");  // both sections of that name
  EXPECT_FALSE(Ini.SectionExists("Раздел"));
  EXPECT_THAT(Ini.ReadSections(), ElementsAre("links", "CommonSettings.XML"));
  Ini.DeleteKey("links", "SHOWDIALOG");
  Ini.DeleteKey("links", "missing");
  Ini.DeleteKey("missing", "1");
  EXPECT_EQ(Content(Path),
            "; settings of the update\r\n[links]\r\n1=Нормативы\r\n2 = \"readme.txt\"\r\n\r\n"
            "[CommonSettings.XML]\r\nExternalFileExts=.kvx;.kvz\r\n");
}

TEST_F(IniFileTest, SeesChangesMadeByOthers) {
  const std::string Path = WriteFile("[server]\r\nport=1\r\n");
  const TIniFile Ini(Path);
  EXPECT_EQ(Ini.ReadString("server", "port", ""), "1");
  WriteFile("[server]\r\nport=20\r\n");
  EXPECT_EQ(Ini.ReadString("server", "port", ""), "20");
  WriteFile("[server]\r\nport=21\r\n");  // same size, within the same tick of the file clock
  EXPECT_EQ(Ini.ReadString("server", "port", ""), "21");
  std::filesystem::remove(Path);
  EXPECT_EQ(Ini.ReadString("server", "port", "gone"), "gone");
}

}  // namespace
}  // namespace Quellit::Platform
