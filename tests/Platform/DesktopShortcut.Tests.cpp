#include "Platform/DesktopShortcut.h"

#include <gtest/gtest.h>

#include <vector>

#include "Lib/Common/Common.Exception.h"
#include "Platform/File.h"
#include "Platform/Folder.h"
#include "Platform/KnownFolders.h"
#include "Platform/Path.h"

#include "Support/PlatformSandbox.h"
#include "Support/ScopedEnvironment.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;

// ---- every backend --------------------------------------------------------------------------

// The desktop of the test: a scratch folder where the backend lets the environment name it; on
// Windows the user's own desktop, where the test's shortcuts have names of their own and go again.
class DesktopShortcutContract : public testing::Test {
 protected:
  DesktopShortcutContract() {
#ifndef _WIN32
    Environment.Set("QUELLIT_REGISTRY", Scratch / "none.reg");
    Environment.Set("XDG_DESKTOP_DIR", Scratch / "Desktop");
#endif
    ForceDirectories(SpecialFolderPath(CSIDL_DESKTOPDIRECTORY));
  }
  ~DesktopShortcutContract() override {
    for (const std::string& Link : FLinks) Platform::DeleteFile(Link);
  }

  std::string LinkPath(const std::string& AName) {
    FLinks.push_back(DesktopShortcutPath(AName));
    return FLinks.back();
  }

  TScratchFolder Scratch;
  Testing::TScopedEnvironment Environment;

 private:
  std::vector<std::string> FLinks;
};

TEST_F(DesktopShortcutContract, IsWrittenOnTheDesktopUnderItsNameAndReplacedWhole) {
  const std::string Name = Testing::OwnKeyName("Нормативные базы");
  const std::string Link = LinkPath(Name);
  EXPECT_EQ(ExtractFilePath(Link), IncludeTrailingPathDelimiter(SpecialFolderPath(CSIDL_DESKTOPDIRECTORY)));
  EXPECT_TRUE(ExtractFileName(Link).starts_with(Name + ".")) << Link;

  const std::string Target = JoinPath(Scratch.Path(), "Корвел", "Нормативы");
  ForceDirectories(Target);
  WriteDesktopShortcut(Link, Name, Target, ExtractFilePath(Target));
  ASSERT_TRUE(FileExists(Link));
  const std::vector<std::uint8_t> First = ReadAllBytes(Link);
  WriteDesktopShortcut(Link, Name, JoinPath(Target, "readme.txt"), IncludeTrailingPathDelimiter(Target));
  EXPECT_TRUE(FileExists(Link));
  EXPECT_NE(ReadAllBytes(Link), First);
  // Nothing is left beside it.
  std::size_t Mine = 0;
  for (const TFolderEntry& Entry : ListFolder(ExtractFilePath(Link)))
    if (Entry.Name.starts_with(Name)) ++Mine;
  EXPECT_EQ(Mine, 1u);
}

TEST(DesktopShortcut, AMissingDesktopFolderIsAnError) {
  TScratchFolder Scratch;
  EXPECT_THROW(WriteDesktopShortcut(JoinPath(Scratch.Path(), "no", "such", "x.lnk"), "x", Scratch.Path(), Scratch.Path()),
               EOSError);
}

// ---- the POSIX backend: a freedesktop Desktop Entry -----------------------------------------
#ifndef _WIN32

TEST(DesktopShortcut, IsADesktopEntryOnTheDesktopRecordingNameTargetAndWorkingFolder) {
  TScratchFolder Scratch;
  Testing::TScopedEnvironment Environment;
  Environment.Set("QUELLIT_REGISTRY", Scratch / "none.reg");
  Environment.Set("XDG_DESKTOP_DIR", Scratch / "Desktop");
  std::string Link = DesktopShortcutPath("Нормативные базы");
  EXPECT_EQ(Link, Scratch / "Desktop/Нормативные базы.desktop");

  std::filesystem::create_directories(Scratch / "Desktop");
  WriteDesktopShortcut(Link, "Нормативные базы", "/opt/Корвел/Нормативы", "/opt/Корвел/");
  EXPECT_EQ(TScratchFolder::Read(Link),
            "[Desktop Entry]\nType=Link\nName=Нормативные базы\n"
            "URL=file:///opt/%D0%9A%D0%BE%D1%80%D0%B2%D0%B5%D0%BB/"
            "%D0%9D%D0%BE%D1%80%D0%BC%D0%B0%D1%82%D0%B8%D0%B2%D1%8B\n"
            "Path=/opt/Корвел/\n");

  // A line break or backslash in a value cannot add lines to the entry; an existing file is replaced.
  WriteDesktopShortcut(Link, "two\nlines\\", "/a b", "/");
  EXPECT_EQ(TScratchFolder::Read(Link),
            "[Desktop Entry]\nType=Link\nName=two\\nlines\\\\\nURL=file:///a%20b\nPath=/\n");
}

// A file name holds 255 bytes with ".desktop"; a longer name is cut, never inside a character.
TEST(DesktopShortcut, ALongNameIsCutToFitOneFileName) {
  TScratchFolder Scratch;
  Testing::TScopedEnvironment Environment;
  Environment.Set("QUELLIT_REGISTRY", Scratch / "none.reg");
  Environment.Set("XDG_DESKTOP_DIR", Scratch / "Desktop");
  std::string Cyrillic;
  for (int I = 0; I < 200; ++I) Cyrillic += "Я";
  for (const std::string& Name : {Cyrillic, "x" + Cyrillic, std::string(300, 'a')}) {
    std::string File = ExtractFileName(DesktopShortcutPath(Name));
    EXPECT_LE(File.size(), 255u);
    EXPECT_GE(File.size(), 254u);
    EXPECT_TRUE(File.ends_with(".desktop"));
    std::string Kept = File.substr(0, File.size() - 8);
    EXPECT_TRUE(Name.starts_with(Kept));
    // The first byte left out starts a character.
    EXPECT_NE(static_cast<unsigned char>(Name[Kept.size()]) & 0xC0, 0x80) << File;
  }
  EXPECT_EQ(DesktopShortcutPath("short"), Scratch / "Desktop/short.desktop");
}

// The desktop opens the target by its URL, so the URL carries the bytes on disk; the entry stays text.
TEST(DesktopShortcut, TheUrlOfATargetNamedInWindows1251CarriesItsBytes) {
  TScratchFolder Scratch;
  std::filesystem::create_directories(Scratch / "\xD1\xE1\xEE\xF0\xED\xE8\xEA-link");  // "Сборник-link"
  const std::string Target = Scratch / "Сборник-link";
  const std::string Link = Scratch / "link.desktop";
  WriteDesktopShortcut(Link, "Сборник", Target, Scratch.Path() + "/");
  EXPECT_NE(TScratchFolder::Read(Link).find("URL=file://" + Scratch.Path() + "/%D1%E1%EE%F0%ED%E8%EA-link\n"),
            std::string::npos)
      << TScratchFolder::Read(Link);
}


#endif  // !_WIN32

}  // namespace
}  // namespace Quellit::Platform
