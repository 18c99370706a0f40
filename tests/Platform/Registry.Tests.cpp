#include "Platform/Registry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Lib/Common/Common.Exception.h"
#include "Platform/RegistryFile.h"
#include "Platform/TextCodec.h"
#include "Support/PlatformSandbox.h"
#include "Support/ScopedEnvironment.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;

constexpr auto LM = TRegistryRoot::LocalMachine;
constexpr auto CU = TRegistryRoot::CurrentUser;
constexpr auto View32 = TRegistryView::Registry32;
constexpr auto View64 = TRegistryView::Registry64;

struct TReadCase {
  TRegistryRoot Root;
  const char* Key;
  const char* Name;
  TRegistryView View;
  const char* Expected;
};

// ---- every backend: keys of the test's own, written where the backend reads them ------------

class RegistryContractTest : public testing::Test {
 protected:
  // The test's keys below HKEY_LOCAL_MACHINE\SOFTWARE (64-bit view), its 32-bit view and
  // HKEY_CURRENT_USER\Software.
  std::string Own = Testing::OwnKeyName("QuellitRegistryTest");
  std::string Software = "SOFTWARE\\" + Own;
  std::string UserSoftware = "Software\\" + Own;

  void SetUp() override {
    TRegistryNode Root;
    // Named and made in the registry's own order, so every backend lists them alike.
    for (const char* Name : {"Alpha", "Beta", "Ключ"}) Root.CreateKey("HKEY_LOCAL_MACHINE\\" + Software + "\\Keys\\" + Name);
    Root.CreateKey("HKEY_LOCAL_MACHINE\\" + Software + "\\Uninstall\\App64").SetString("InstallLocation", "C:\\App64\\");
    Root.CreateKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\" + Own + "\\Uninstall\\App32")
        .SetString("InstallLocation", "C:\\Program Files (x86)\\Orvant\\")
        .SetString("DisplayName", "Корвел Клиент (32 бита)")
        .SetInteger("Version", 31)
        .SetString("", "default text")
        .SetValue(TRegValue::String("Expand", "%TEMP%", TRegDataType::rdExpandString))
        .SetValue(TRegValue::MultiString("List", {"a", "Ӑ"}))
        .SetValue(TRegValue{"Binary", TRegDataType::rdBinary, {1, 2, 3, 4}});
    Root.CreateKey("HKEY_LOCAL_MACHINE\\" + Software + "\\Ключ").SetString("Имя", "say \"hi\"");
    Root.CreateKey("HKEY_CURRENT_USER\\" + UserSoftware + "\\Shell Folders").SetString("Desktop", "C:\\Рабочий стол");
    Registry.Apply(Root);
  }

  Testing::TScratchFolder Scratch;
  Testing::TRegistrySandbox Registry{Scratch};
};

TEST_F(RegistryContractTest, ReadsStringsThroughBothViews) {
  const std::string App64 = Software + "\\Uninstall\\App64", App32 = Software + "\\Uninstall\\App32";
  const std::string Redirected = "SOFTWARE\\WOW6432Node\\" + Own + "\\Uninstall\\App32";
  const std::string Lower = "software\\" + Own + "\\uninstall\\app64";
  struct TOwnReadCase {
    TRegistryRoot Root;
    std::string Key;
    const char* Name;
    TRegistryView View;
    const char* Expected;
  };
  const TOwnReadCase Cases[] = {
      {LM, App64, "InstallLocation", View64, "C:\\App64\\"},
      {LM, App64, "InstallLocation", View32, ""},
      {LM, App32, "InstallLocation", View32, "C:\\Program Files (x86)\\Orvant\\"},
      {LM, App32, "InstallLocation", View64, ""},
      // The redirected part itself reads the same from both views.
      {LM, Redirected, "DisplayName", View64, "Корвел Клиент (32 бита)"},
      {LM, Redirected, "DisplayName", View32, "Корвел Клиент (32 бита)"},
      // Names compare without regard to case, Cyrillic included.
      {LM, Lower, "INSTALLLOCATION", View64, "C:\\App64\\"},
      {LM, Software + "\\КЛЮЧ", "имя", View64, "say \"hi\""},
      {LM, "\\" + Software + "\\Ключ\\", "Имя", View64, "say \"hi\""},
      // The per-user hive has one view.
      {CU, UserSoftware + "\\Shell Folders", "Desktop", View64, "C:\\Рабочий стол"},
      {CU, UserSoftware + "\\Shell Folders", "Desktop", View32, "C:\\Рабочий стол"},
      // Missing keys and values, and a hive that does not hold the key.
      {LM, Software + "\\Ключ", "Gone", View64, ""},
      {LM, Software + "\\Nowhere", "Anything", View64, ""},
      {CU, Software + "\\Ключ", "Имя", View64, ""},
  };
  for (const TOwnReadCase& Case : Cases) {
    SCOPED_TRACE(Case.Key + " / " + Case.Name + (Case.View == View32 ? " (32)" : " (64)"));
    EXPECT_EQ(ReadRegistryString(Case.Root, Case.Key, Case.Name, Case.View), Case.Expected);
  }
  EXPECT_TRUE(RegistryKeyExists(LM, App32, View32));
  EXPECT_FALSE(RegistryKeyExists(LM, App32, View64));
  EXPECT_TRUE(RegistryKeyExists(LM, App64, View64));
  EXPECT_FALSE(RegistryKeyExists(LM, App64, View32));
}

TEST_F(RegistryContractTest, ReadsEachValueType) {
  const auto Key = TRegistryKey::Open(LM, Software + "\\Uninstall\\App32", View32);
  ASSERT_TRUE(Key);
  EXPECT_EQ(Key->ReadInteger("Version"), 31u);
  EXPECT_EQ(Key->ReadString("Version"), "31");
  EXPECT_EQ(Key->ReadString(""), "default text");
  EXPECT_EQ(Key->ReadString("Expand"), "%TEMP%");  // not expanded
  EXPECT_EQ(Key->ReadValue("Expand")->DataType, TRegDataType::rdExpandString);
  EXPECT_EQ(Key->ReadMultiString("List"), (std::vector<std::string>{"a", "Ӑ"}));
  EXPECT_EQ(Key->ReadValue("Binary")->Data, (std::vector<std::uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(Key->ReadString("Binary"), std::nullopt);
  EXPECT_EQ(Key->ReadInteger("DisplayName"), std::nullopt);
  EXPECT_EQ(Key->ReadString("Missing"), std::nullopt);
  EXPECT_THAT(Key->GetValueNames(), testing::UnorderedElementsAre("InstallLocation", "DisplayName", "Version", "",
                                                                   "Expand", "List", "Binary"));
}

TEST_F(RegistryContractTest, ListsSubkeys) {
  EXPECT_THAT(TRegistryKey::Open(LM, Software + "\\Keys")->GetKeyNames(), ElementsAre("Alpha", "Beta", "Ключ"));
  EXPECT_THAT(TRegistryKey::Open(LM, Software, View32)->GetKeyNames(), ElementsAre("Uninstall"));
  EXPECT_THAT(TRegistryKey::Open(LM, Software)->GetKeyNames(), ElementsAre("Keys", "Uninstall", "Ключ"));
}

// A key opened before a change keeps what it was opened on.
TEST_F(RegistryContractTest, AnOpenKeyKeepsWhatItWasOpenedOn) {
  const auto Key = TRegistryKey::Open(LM, Software + "\\Ключ");
  ASSERT_TRUE(Key);
  TRegistryNode Changed;
  Changed.CreateKey("HKEY_LOCAL_MACHINE\\" + Software + "\\Ключ").SetString("Имя", "changed");
  Registry.Apply(Changed);
  EXPECT_EQ(Key->ReadString("Имя"), "say \"hi\"");
  EXPECT_EQ(ReadRegistryString(LM, Software + "\\Ключ", "Имя"), "changed");
}

// ---- the POSIX backend: the registry is one regedit export ----------------------------------
#ifndef _WIN32

// Bytes as regedit writes them: UTF-16LE with a byte-order mark, CR LF line ends. Built by hand,
// apart from the codec.
std::string RegeditBytes(std::u16string_view ALines) {
  std::string Bytes = "\xFF\xFE";
  for (char16_t Unit : ALines) {
    if (Unit == u'\n') Bytes += std::string("\r\0", 2);
    Bytes += std::string{static_cast<char>(Unit & 0xFF), static_cast<char>(Unit >> 8)};
  }
  return Bytes;
}

constexpr std::u16string_view Export =
    u"Windows Registry Editor Version 5.00\n"
    u"\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App64]\n"
    u"\"InstallLocation\"=\"/opt/app64/\"\n"
    u"\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App32]\n"
    u"\"InstallLocation\"=\"C:\\\\Program Files (x86)\\\\Orvant\\\\\"\n"
    u"\"DisplayName\"=\"Корвел Клиент (32 бита)\"\n"
    u"\"Version\"=dword:0000001f\n"
    u"@=\"default text\"\n"
    u"\"Expand\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00\n"
    u"\"List\"=hex(7):61,00,00,00,d0,04,00,00,00,00\n"
    u"\"Binary\"=hex:01,02,\\\n"
    u"  03,04\n"
    u"\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvant\\Ключ]\n"
    u"; a comment line\n"
    u"\"Имя\"=\"say \\\"hi\\\"\"\n"
    u"\"Gone\"=\"soon\"\n"
    u"\"Gone\"=-\n"
    u"\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvant\\Removed]\n"
    u"\"A\"=\"1\"\n"
    u"[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvant\\Removed]\n"
    u"\"Ignored\"=\"under a deleted key\"\n"
    u"\n"
    u"[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\n"
    u"\"Desktop\"=\"/home/user/Рабочий стол\"\n";

class RegistryTest : public testing::Test {
 protected:
  RegistryTest() { Env.Set("QUELLIT_REGISTRY", Scratch / "registry.reg"); }

  std::string UseRegistry(const std::string& ABytes, const std::string& AName = "registry.reg") {
    const std::string Path = Scratch.Write(AName, ABytes);
    Env.Set("QUELLIT_REGISTRY", Path);
    return Path;
  }

  Testing::TScratchFolder Scratch;
  Testing::TScopedEnvironment Env;
};

TEST_F(RegistryTest, ReadsStringsThroughBothViews) {
  UseRegistry(RegeditBytes(Export));
  const std::string Uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  const TReadCase Cases[] = {
      {LM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App64", "InstallLocation", View64, "/opt/app64/"},
      {LM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App64", "InstallLocation", View32, ""},
      {LM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App32", "InstallLocation", View32,
       "C:\\Program Files (x86)\\Orvant\\"},
      {LM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App32", "InstallLocation", View64, ""},
      // The redirected part itself reads the same from both views.
      {LM, "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App32", "DisplayName", View64,
       "Корвел Клиент (32 бита)"},
      {LM, "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App32", "DisplayName", View32,
       "Корвел Клиент (32 бита)"},
      // Names compare without regard to case, Cyrillic included.
      {LM, "software\\MICROSOFT\\windows\\currentversion\\uninstall\\app64", "INSTALLLOCATION", View64, "/opt/app64/"},
      {LM, "SOFTWARE\\Orvant\\КЛЮЧ", "имя", View64, "say \"hi\""},
      {LM, "\\SOFTWARE\\Orvant\\Ключ\\", "Имя", View64, "say \"hi\""},
      {CU, "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Desktop", View64,
       "/home/user/Рабочий стол"},
      {CU, "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Desktop", View32,
       "/home/user/Рабочий стол"},
      // Missing keys and values, deleted ones, and a hive that does not hold the key.
      {LM, "SOFTWARE\\Orvant\\Ключ", "Gone", View64, ""},
      {LM, "SOFTWARE\\Orvant\\Removed", "A", View64, ""},
      {LM, "SOFTWARE\\Orvant\\Removed", "Ignored", View64, ""},
      {LM, "SOFTWARE\\Nowhere", "Anything", View64, ""},
      {CU, "SOFTWARE\\Orvant\\Ключ", "Имя", View64, ""},
  };
  for (const TReadCase& Case : Cases) {
    SCOPED_TRACE(std::string(Case.Key) + " / " + Case.Name + (Case.View == View32 ? " (32)" : " (64)"));
    EXPECT_EQ(ReadRegistryString(Case.Root, Case.Key, Case.Name, Case.View), Case.Expected);
  }
  EXPECT_TRUE(RegistryKeyExists(LM, Uninstall + "App32", View32));
  EXPECT_FALSE(RegistryKeyExists(LM, Uninstall + "App32", View64));
  EXPECT_FALSE(RegistryKeyExists(LM, "SOFTWARE\\Orvant\\Removed"));
}

TEST_F(RegistryTest, ReadsEachValueType) {
  UseRegistry(RegeditBytes(Export));
  const auto Key = TRegistryKey::Open(LM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App32", View32);
  ASSERT_TRUE(Key);
  EXPECT_EQ(Key->ReadInteger("Version"), 31u);
  EXPECT_EQ(Key->ReadString("Version"), "31");
  EXPECT_EQ(Key->ReadString(""), "default text");
  EXPECT_EQ(Key->ReadString("Expand"), "%TEMP%");  // not expanded
  EXPECT_EQ(Key->ReadValue("Expand")->DataType, TRegDataType::rdExpandString);
  EXPECT_EQ(Key->ReadMultiString("List"), (std::vector<std::string>{"a", "Ӑ"}));
  EXPECT_EQ(Key->ReadValue("Binary")->Data, (std::vector<std::uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(Key->ReadString("Binary"), std::nullopt);
  EXPECT_EQ(Key->ReadInteger("DisplayName"), std::nullopt);
  EXPECT_EQ(Key->ReadString("Missing"), std::nullopt);
  EXPECT_THAT(Key->GetValueNames(), ElementsAre("InstallLocation", "DisplayName", "Version", "", "Expand", "List", "Binary"));
}

TEST_F(RegistryTest, ListsSubkeysInFileOrder) {
  UseRegistry(RegeditBytes(Export));
  EXPECT_THAT(TRegistryKey::Open(LM, "SOFTWARE")->GetKeyNames(), ElementsAre("Microsoft", "WOW6432Node", "Orvant"));
  EXPECT_THAT(TRegistryKey::Open(LM, "SOFTWARE", View32)->GetKeyNames(), ElementsAre("Microsoft"));
  EXPECT_THAT(TRegistryKey::Open(LM, "software\\orvant")->GetKeyNames(), ElementsAre("Ключ"));
}

TEST_F(RegistryTest, ReadsTheOldAnsiFormat) {
  // REGEDIT4 files are in the ANSI code page, their expandable strings too.
  UseRegistry("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvant]\r\n"
              "\"\xC8\xEC\xFF\"=\"\xCF\xF0\xE8\xE2\xE5\xF2\"\r\n"
              "\"Path\"=hex(2):25,cf,25,00\r\n");
  EXPECT_EQ(ReadRegistryString(LM, "SOFTWARE\\Orvant", "Имя"), "Привет");
  EXPECT_EQ(ReadRegistryString(LM, "SOFTWARE\\Orvant", "Path"), "%П%");
}

TEST_F(RegistryTest, BrokenLinesAreSkippedAndReportedOnce) {
  const std::string Path = UseRegistry(RegeditBytes(
      u"Windows Registry Editor Version 5.00\n\n"
      u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvant]\n"
      u"\"Good\"=\"yes\"\n"
      u"\"Bad\"=dword:xyz\n"
      u"this line means nothing\n"
      u"\"Unterminated\"=\"open\n"
      u"\"AlsoGood\"=\"yes\"\n"));
  testing::internal::CaptureStderr();
  for (int I = 0; I < 3; ++I) {
    EXPECT_EQ(ReadRegistryString(LM, "SOFTWARE\\Orvant", "Good"), "yes");
    EXPECT_EQ(ReadRegistryString(LM, "SOFTWARE\\Orvant", "Bad"), "");
    EXPECT_EQ(ReadRegistryString(LM, "SOFTWARE\\Orvant", "AlsoGood"), "yes");
  }
  const std::string Warnings = testing::internal::GetCapturedStderr();
  EXPECT_THAT(Warnings, HasSubstr(Path + ":5:"));
  EXPECT_THAT(Warnings, HasSubstr("3 broken line(s)"));
  EXPECT_EQ(Warnings.find(Path), Warnings.rfind(Path)) << Warnings;
}

TEST_F(RegistryTest, UnusableFilesReadAsAnEmptyRegistry) {
  struct TCase {
    const char* Name;
    std::string Bytes;
    const char* Warning;  // nullptr: none expected
  };
  const TCase Cases[] = {
      {"no header", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvant]\r\n\"Good\"=\"yes\"\r\n", ":1:"},
      {"binary garbage", std::string("\x00\x01\x02\xFF\xFE", 5), ":1:"},
      {"empty file", "", nullptr},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    const std::string Path = UseRegistry(Case.Bytes, std::string(Case.Name) + ".reg");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(RegistryKeyExists(LM, "SOFTWARE\\Orvant"));
    EXPECT_EQ(ReadRegistryString(LM, "SOFTWARE\\Orvant", "Good"), "");
    const std::string Warnings = testing::internal::GetCapturedStderr();
    if (Case.Warning)
      EXPECT_THAT(Warnings, HasSubstr(Path + Case.Warning));
    else
      EXPECT_EQ(Warnings, "");
  }
  // A missing file is a registry without keys, and no reason to warn.
  Env.Set("QUELLIT_REGISTRY", Scratch / "missing.reg");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(RegistryKeyExists(LM, "SOFTWARE"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  // A folder in its place cannot be read: said once.
  Env.Set("QUELLIT_REGISTRY", Scratch.Path());
  testing::internal::CaptureStderr();
  EXPECT_FALSE(RegistryKeyExists(LM, "SOFTWARE"));
  EXPECT_FALSE(RegistryKeyExists(LM, "SOFTWARE"));
  const std::string Warnings = testing::internal::GetCapturedStderr();
  EXPECT_THAT(Warnings, HasSubstr(Scratch.Path()));
  EXPECT_EQ(Warnings.find("cannot be read"), Warnings.rfind("cannot be read"));
}

// The registry file is read whole; one larger than the bound is refused before it is read.
TEST_F(RegistryTest, AFileOverTheSizeBoundReadsAsAnEmptyRegistry) {
  const std::string Path = UseRegistry(RegeditBytes(Export), "huge.reg");
  std::filesystem::resize_file(Path, MaxRegistryFileBytes + 1);  // sparse: costs no disk
  testing::internal::CaptureStderr();
  EXPECT_FALSE(RegistryKeyExists(LM, "SOFTWARE\\Orvant\\Ключ"));
  EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("File too large: " + Path));
}

TEST_F(RegistryTest, FollowsTheFileWhenItOrItsPathChanges) {
  const auto Registry = [](const char16_t* AValue) {
    return RegeditBytes(std::u16string(u"Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Orvant]\n\"V\"=\"") +
                        AValue + u"\"\n");
  };
  UseRegistry(Registry(u"one"), "a.reg");
  EXPECT_EQ(ReadRegistryString(CU, "Software\\Orvant", "V"), "one");
  UseRegistry(Registry(u"three"), "a.reg");
  EXPECT_EQ(ReadRegistryString(CU, "Software\\Orvant", "V"), "three");
  UseRegistry(Registry(u"THREE"), "a.reg");  // same size, within the same tick of the file clock
  EXPECT_EQ(ReadRegistryString(CU, "Software\\Orvant", "V"), "THREE");
  UseRegistry(Registry(u"other"), "b.reg");
  EXPECT_EQ(ReadRegistryString(CU, "Software\\Orvant", "V"), "other");
  // A key opened before the change keeps what it was opened on.
  const auto Key = TRegistryKey::Open(CU, "Software\\Orvant");
  UseRegistry(Registry(u"fourth"), "b.reg");
  EXPECT_EQ(Key->ReadString("V"), "other");
  EXPECT_EQ(ReadRegistryString(CU, "Software\\Orvant", "V"), "fourth");
}

TEST_F(RegistryTest, WrittenFilesReadBack) {
  TRegistryNode Root;
  Root.CreateKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Orvant\\Корвел")
      .SetString("InstallLocation", "C:\\Program Files\\\"Quoted\"\\")
      .SetString("", "default")
      .SetString("Lines", "first\r\nsecond")
      .SetInteger("Count", 0xDEADBEEF)
      .SetValue(TRegValue::MultiString("List", {"a", "Б"}))
      .SetValue(TRegValue::String("Expand", "%APPDATA%\\Orvant", TRegDataType::rdExpandString))
      .SetValue(TRegValue{"Blob", TRegDataType::rdBinary, std::vector<std::uint8_t>(100, 0xAB)});
  Root.CreateKey("HKEY_CURRENT_USER\\Software\\Empty");
  const std::string Path = Scratch / "written.reg";
  SaveRegistryFile(Path, Root);
  Env.Set("QUELLIT_REGISTRY", Path);

  const std::string Bytes = Testing::TScratchFolder::Read(Path);
  EXPECT_EQ(Bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(DecodeText(Bytes).Text.substr(0, 38), "Windows Registry Editor Version 5.00\r\n");

  const auto Key = TRegistryKey::Open(LM, "SOFTWARE\\Orvant\\Корвел", View32);
  ASSERT_TRUE(Key);
  EXPECT_EQ(Key->ReadString("InstallLocation"), "C:\\Program Files\\\"Quoted\"\\");
  EXPECT_EQ(Key->ReadString(""), "default");
  EXPECT_EQ(Key->ReadString("Lines"), "first\r\nsecond");
  EXPECT_EQ(Key->ReadInteger("Count"), 0xDEADBEEFu);
  EXPECT_EQ(Key->ReadMultiString("List"), (std::vector<std::string>{"a", "Б"}));
  EXPECT_EQ(Key->ReadString("Expand"), "%APPDATA%\\Orvant");
  EXPECT_EQ(Key->ReadValue("Blob")->Data, std::vector<std::uint8_t>(100, 0xAB));
  EXPECT_TRUE(RegistryKeyExists(CU, "Software\\Empty"));
}

#endif  // !_WIN32

}  // namespace
}  // namespace Quellit::Platform
