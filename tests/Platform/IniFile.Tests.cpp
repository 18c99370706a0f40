#include "Platform/IniFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

// Reads answer their defaults, but a write would replace contents it never saw, so it refuses.
TEST_F(IniFileTest, AnUnreadableFileIsNotOverwritten) {
  const std::string Locked = WriteFile("[a]\r\nx=1\r\n", TTextEncoding::Utf8, false, "locked.ini");
  std::filesystem::permissions(Locked, std::filesystem::perms::none);
  const std::string Folder = Scratch / "folder.ini";
  std::filesystem::create_directory(Folder);
  for (const std::string& Path : {Locked, Folder}) {
    SCOPED_TRACE(Path);
    if (Path == Locked && !Content(Path).empty()) continue;  // the super-user reads it anyway
    TIniFile Ini(Path);
    EXPECT_EQ(Ini.ReadString("a", "x", "default"), "default");
    EXPECT_THROW(Ini.WriteString("a", "y", "2"), EIniFileException);
  }
  std::filesystem::permissions(Locked, std::filesystem::perms::owner_read);
  EXPECT_EQ(Content(Locked), "[a]\r\nx=1\r\n");
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
