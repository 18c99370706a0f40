#include "Platform/DesktopShortcut.h"

#include <gtest/gtest.h>

#include "Lib/Common/Common.Exception.h"
#include "Platform/Path.h"

#include "Support/ScopedEnvironment.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;

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

TEST(DesktopShortcut, AMissingDesktopFolderIsAnError) {
  TScratchFolder Scratch;
  EXPECT_THROW(WriteDesktopShortcut(Scratch / "no/such/x.desktop", "x", "/t", "/"), EOSError);
}

}  // namespace
}  // namespace Quellit::Platform
