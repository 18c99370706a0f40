#include "Platform/KnownFolders.h"

#include <gtest/gtest.h>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Text/Text.Engine.h"
#include "Platform/Path.h"
#include "Platform/RegistryFile.h"
#include "Support/PlatformSandbox.h"
#include "Platform/Win32/SystemCall.h"

#include <shlobj.h>

namespace Quellit::Platform {
namespace {

std::string ShellAnswer(int ACsidl) {
  wchar_t Path[MAX_PATH] = {};
  EXPECT_EQ(::SHGetFolderPathW(nullptr, ACsidl, nullptr, SHGFP_TYPE_CURRENT, Path), S_OK);
  return ExcludeTrailingPathDelimiter(Utf8OfWide(Path));
}

TEST(KnownFolders, AreTheShellsFoldersWithoutTrailingSeparator) {
  for (int Csidl : {CSIDL_PERSONAL, CSIDL_APPDATA, CSIDL_COMMON_APPDATA, CSIDL_FONTS}) {
    SCOPED_TRACE(Csidl);
    const std::string Folder = SpecialFolderPath(Csidl);
    EXPECT_EQ(Folder, ShellAnswer(Csidl));
    EXPECT_FALSE(Folder.ends_with("\\"));
  }
}

TEST(KnownFolders, AnUnknownNumberIsAnInvalidArgument) {
  try {
    SpecialFolderPath(0x7F);
    FAIL() << "no error for an unknown folder";
  } catch (const EOSError& E) {
    EXPECT_EQ(E.ErrorCode(), ERROR_INVALID_PARAMETER);
  }
}

TEST(KnownFolders, TheTemporaryFolderEndsWithASeparator) {
  const std::string Folder = TempFolderPath();
  EXPECT_TRUE(Folder.ends_with("\\")) << Folder;
  EXPECT_TRUE(DirectoryExists(Folder)) << Folder;
}

// Shortcuts go where the per-user "Shell Folders" value says the desktop is; the shell's own
// answer stands in only while that value is missing. The value set here names the shell's desktop
// in other letters, so tests running beside this one still find the same folder.
TEST(KnownFolders, TheDesktopIsTheShellFoldersValueElseTheShells) {
  const std::string ShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  const std::string ShellDesktop = ShellAnswer(CSIDL_DESKTOPDIRECTORY);
  const std::string Registered = Text::OrdinalUpperCase(ShellDesktop);
  ASSERT_NE(Registered, ShellDesktop);
  Testing::TScratchFolder Scratch;
  Testing::TRegistrySandbox Registry(Scratch);
  TRegistryNode Root;
  Root.CreateKey("HKEY_CURRENT_USER\\" + ShellFolders).SetString("Desktop", Registered + "\\");
  Registry.Apply(Root);
  EXPECT_EQ(SpecialFolderPath(CSIDL_DESKTOPDIRECTORY), Registered);
  EXPECT_EQ(SpecialFolderPath(CSIDL_DESKTOP), Registered);
  TRegistryNode Empty;
  Empty.CreateKey("HKEY_CURRENT_USER\\" + ShellFolders).SetString("Desktop", "");
  Registry.Apply(Empty);
  EXPECT_EQ(SpecialFolderPath(CSIDL_DESKTOPDIRECTORY), ShellDesktop);
}

}  // namespace
}  // namespace Quellit::Platform
