#include "SysInfo/SysInfo.Core.CommonUtils.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "Lib/Common/Common.XMLUtils.h"
#include "SysInfo/ProductSandbox.h"

namespace Quellit {
namespace {

using Testing::TProductSandbox;
using Testing::TScratchFolder;
namespace fs = std::filesystem;

// ---- FormatByteSize ------------------------------------------------------------------------------

struct TByteSizeCase {
  std::int64_t Size;
  const char* Text;
};

TEST(FormatByteSize, EachUnitTruncatesTowardZero) {
  constexpr std::int64_t K = 1024;
  const std::vector<TByteSizeCase> Cases = {
      {0, "0 байт"},
      {-5, "-5 байт"},
      {std::numeric_limits<std::int64_t>::min(), "-9223372036854775808 байт"},
      {1023, "1023 байт"},
      {1024, "1 Кбайт"},
      {1048575, "1023 Кбайт"},
      {K * K, "1 Мбайт"},
      {5368709120, "5 Гбайт"},
      {K * K * K * K - 1, "1023 Гбайт"},
      {K * K * K * K, "1 Тбайт"},
      {K * K * K * K * K * 3, "3072 Тбайт"},
      {std::numeric_limits<std::int64_t>::max(), "8388607 Тбайт"},
  };
  for (const TByteSizeCase& Case : Cases) EXPECT_EQ(FormatByteSize(Case.Size), Case.Text) << Case.Size;
}

// ---- CheckFolderWritePrivilege -------------------------------------------------------------------

const char* const ProbeName = "CheckFolderWritePrivilege.bin";

TEST(CheckFolderWritePrivilege, AWritableFolderKeepsNoProbe) {
  TScratchFolder Scratch;
  EXPECT_TRUE(CheckFolderWritePrivilege(Scratch.Path()));
  EXPECT_TRUE(CheckFolderWritePrivilege(Scratch.Path() + "/"));
  EXPECT_TRUE(fs::is_empty(Scratch.Path()));
}

TEST(CheckFolderWritePrivilege, AnUnusableFolderAnswersFalseWithoutRaising) {
  TScratchFolder Scratch;
  Scratch.Write("file.txt", "x");
  EXPECT_FALSE(CheckFolderWritePrivilege(Scratch / "missing"));
  EXPECT_FALSE(CheckFolderWritePrivilege(Scratch / "file.txt"));
  EXPECT_EQ(TScratchFolder::Read(Scratch / "file.txt"), "x");
}

TEST(CheckFolderWritePrivilege, AnOldProbeIsRemovedToo) {
  TScratchFolder Scratch;
  Scratch.Write(ProbeName, "left over");
  EXPECT_TRUE(CheckFolderWritePrivilege(Scratch.Path()));
  EXPECT_FALSE(fs::exists(Scratch / ProbeName));
}

// Symbolic links are a POSIX user's tool; creating one on Windows takes a privilege.
#ifndef _WIN32
TEST(CheckFolderWritePrivilege, ALinkUnderTheProbeNameNeverReachesItsTarget) {
  TScratchFolder Scratch;
  std::string Victim = Scratch.Write("victim/settings.xml", "precious");
  fs::create_directory(Scratch / "shared");
  fs::create_symlink(Victim, Scratch / ("shared/" + std::string(ProbeName)));
  EXPECT_TRUE(CheckFolderWritePrivilege(Scratch / "shared"));
  EXPECT_EQ(TScratchFolder::Read(Victim), "precious");
  EXPECT_TRUE(fs::is_empty(Scratch / "shared"));
}
#endif  // _WIN32

// ---- the machine-wide registry -------------------------------------------------------------------

TEST(ReadMachineString, EachFormReadsItsOwnView) {
  TProductSandbox Sandbox;
  Sandbox.AddRegistryText(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Orvant\\Test]\n\"Where\"=\"thirty-two\"\n\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvant\\Test]\n\"Where\"=\"sixty-four\"\n\"Number\"=dword:00000010\n\n");
  EXPECT_EQ(ReadMachineString("SOFTWARE\\Orvant\\Test", "Where"), "thirty-two");
  EXPECT_EQ(ReadMachineString64("SOFTWARE\\Orvant\\Test", "Where"), "sixty-four");
  EXPECT_EQ(ReadMachineString64("software\\orvant\\test", "WHERE"), "sixty-four");
}

TEST(ReadMachineString, MissingKeysAndValuesReadEmpty) {
  TProductSandbox Sandbox;
  Sandbox.AddRegistryText("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvant\\Test]\n\"Where\"=\"sixty-four\"\n\n");
  EXPECT_EQ(ReadMachineString("SOFTWARE\\Orvant\\Test", "Where"), "");
  EXPECT_EQ(ReadMachineString64("SOFTWARE\\Orvant\\Test", "Missing"), "");
  EXPECT_EQ(ReadMachineString64("SOFTWARE\\Orvant\\Missing", "Where"), "");
}

// ---- IsPortableMode ------------------------------------------------------------------------------

struct TPortableCase {
  std::vector<std::string> Arguments;
  bool Portable;
};

TEST(IsPortableMode, ADashOrSlashSwitchInAnyLetterCase) {
  const std::vector<TPortableCase> Cases = {
      {{}, false},
      {{"-portable"}, true},
      {{"/Portable"}, true},
      {{"-PORTABLE"}, true},
      {{"first", "/pOrTaBlE"}, true},
      {{"portable"}, false},
      {{"--portable"}, false},
      {{"-portable2"}, false},
      {{"-"}, false},
  };
  TProductSandbox Sandbox;
  for (const TPortableCase& Case : Cases) {
    Sandbox.SetCommandLine(Case.Arguments);
    EXPECT_EQ(IsPortableMode(), Case.Portable) << testing::PrintToString(Case.Arguments);
  }
}

TEST(IsPortableMode, TheProgramPathIsNotASwitch) {
  std::vector<const char*> Argv = {"/portable"};
  Platform::TakeCommandLine(1, Argv.data());
  EXPECT_FALSE(IsPortableMode());
}

// ---- ReadAttributeText ---------------------------------------------------------------------------

struct TAttributeCase {
  const char* Value;
  const char* Text;
};

TEST(ReadAttributeText, EveryLineBreakBecomesCRLF) {
  const std::vector<TAttributeCase> Cases = {
      {"", ""},
      {"plain", "plain"},
      {"a\nb", "a\r\nb"},
      {"a\r\nb", "a\r\nb"},
      {"\n\r\n\n", "\r\n\r\n\r\n"},
      {"a\r\r\nb", "a\r\r\nb"},
      {"lone\rcarriage return", "lone\rcarriage return"},
      {"Общие\nНастройки", "Общие\r\nНастройки"},
  };
  TXMLDocument Doc = TXMLDocument::Create();
  TXMLElement Element = Doc.CreateElement("UserData");
  for (const TAttributeCase& Case : Cases) {
    Element.SetAttribute("Value", Case.Value);
    EXPECT_EQ(ReadAttributeText(Element, "Value"), Case.Text) << testing::PrintToString(std::string(Case.Value));
  }
  EXPECT_EQ(ReadAttributeText(Element, "Missing"), "");
  EXPECT_EQ(ReadAttributeText(TXMLElement(), "Value"), "");
}

}  // namespace
}  // namespace Quellit
