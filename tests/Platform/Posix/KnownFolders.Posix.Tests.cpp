#include "Platform/KnownFolders.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "Lib/Common/Common.Exception.h"
#include "Platform/RegistryFile.h"
#include "Support/ScopedEnvironment.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

class KnownFoldersTest : public testing::Test {
 protected:
  KnownFoldersTest() {
    Env.Set("HOME", "/home/tester");
    for (const char* Name : {"XDG_DOCUMENTS_DIR", "XDG_CONFIG_HOME", "QUELLIT_COMMON_APPDATA", "XDG_DESKTOP_DIR", "TMPDIR"})
      Env.Unset(Name);
    Env.Set("QUELLIT_REGISTRY", Scratch / "registry.reg");
  }

  void RegisterDesktop(const std::string& AFolder) {
    TRegistryNode Root;
    Root.CreateKey("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")
        .SetString("Desktop", AFolder);
    SaveRegistryFile(Scratch / "registry.reg", Root);
  }

  Testing::TScratchFolder Scratch;
  Testing::TScopedEnvironment Env;
};

struct TFolderCase {
  int Csidl;
  const char* Variable;  // nullptr: the variable stays unset
  const char* Value;
  const char* Expected;
};

TEST_F(KnownFoldersTest, FollowsTheEnvironmentElseTheHomeFolder) {
  const TFolderCase Cases[] = {
      {CSIDL_PERSONAL, nullptr, "", "/home/tester/Documents"},
      {CSIDL_PERSONAL, "XDG_DOCUMENTS_DIR", "/data/Документы", "/data/Документы"},
      {CSIDL_PERSONAL, "XDG_DOCUMENTS_DIR", "/data/docs//", "/data/docs"},
      {CSIDL_PERSONAL, "XDG_DOCUMENTS_DIR", "relative/docs", "/home/tester/Documents"},
      {CSIDL_PERSONAL, "XDG_DOCUMENTS_DIR", "", "/home/tester/Documents"},
      {CSIDL_APPDATA, nullptr, "", "/home/tester/.config"},
      {CSIDL_APPDATA, "XDG_CONFIG_HOME", "/cfg/", "/cfg"},
      {CSIDL_COMMON_APPDATA, nullptr, "", "/var/lib"},
      {CSIDL_COMMON_APPDATA, "QUELLIT_COMMON_APPDATA", "/sandbox/common", "/sandbox/common"},
      {CSIDL_COMMON_APPDATA, "QUELLIT_COMMON_APPDATA", "/", "/"},
      {CSIDL_FONTS, nullptr, "", "/usr/share/wine/fonts"},
      {CSIDL_DESKTOPDIRECTORY, nullptr, "", "/home/tester/Desktop"},
      {CSIDL_DESKTOP, "XDG_DESKTOP_DIR", "/home/tester/Рабочий стол/", "/home/tester/Рабочий стол"},
  };
  for (const TFolderCase& Case : Cases) {
    SCOPED_TRACE(std::to_string(Case.Csidl) + " " + (Case.Variable ? Case.Variable : "") + "=" + Case.Value);
    Testing::TScopedEnvironment Local;
    if (Case.Variable) Local.Set(Case.Variable, Case.Value);
    EXPECT_EQ(SpecialFolderPath(Case.Csidl), Case.Expected);
  }
}

TEST_F(KnownFoldersTest, DesktopComesFromTheRegistryFirst) {
  Env.Set("XDG_DESKTOP_DIR", "/xdg/desktop");
  RegisterDesktop("/registered/Рабочий стол/");
  EXPECT_EQ(SpecialFolderPath(CSIDL_DESKTOPDIRECTORY), "/registered/Рабочий стол");
  EXPECT_EQ(SpecialFolderPath(CSIDL_DESKTOP), "/registered/Рабочий стол");
  RegisterDesktop("");  // an empty value counts as none
  EXPECT_EQ(SpecialFolderPath(CSIDL_DESKTOPDIRECTORY), "/xdg/desktop");
}

struct TUserDirsCase {
  const char* Name;
  std::string Text;      // user-dirs.dirs
  const char* Expected;  // the desktop folder
};

// Without the registry value and the variable, the desktop is what the user's user-dirs.dirs says.
TEST_F(KnownFoldersTest, DesktopFollowsTheUsersUserDirsFile) {
  const std::vector<TUserDirsCase> Cases = {
      {"as xdg-user-dirs writes it", "# comment\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\nXDG_DESKTOP_DIR=\"$HOME/Рабочий стол\"\n",
       "/home/tester/Рабочий стол"},
      {"absolute, quoted", "XDG_DESKTOP_DIR=\"/srv/desk/\"\n", "/srv/desk"},
      {"absolute, bare, blanks around", "  XDG_DESKTOP_DIR = /srv/bare  \r\n", "/srv/bare"},
      {"escaped quote", "XDG_DESKTOP_DIR=\"$HOME/say \\\"hi\\\"\"\n", "/home/tester/say \"hi\""},
      {"the home folder itself", "XDG_DESKTOP_DIR=\"$HOME/\"\n", "/home/tester"},
      {"the last line counts", "XDG_DESKTOP_DIR=\"/first\"\nXDG_DESKTOP_DIR=\"/second\"\n", "/second"},
      {"relative path", "XDG_DESKTOP_DIR=\"Desk\"\n", "/home/tester/Desktop"},
      {"another variable", "XDG_DESKTOP_DIR=\"$XDG_DATA_HOME/d\"\n", "/home/tester/Desktop"},
      {"a longer name only", "XDG_DESKTOP_DIRS=\"/no\"\n", "/home/tester/Desktop"},
      {"empty file", "", "/home/tester/Desktop"},
  };
  Env.Set("XDG_CONFIG_HOME", Scratch / "config");
  for (const TUserDirsCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    Scratch.Write("config/user-dirs.dirs", Case.Text);
    EXPECT_EQ(SpecialFolderPath(CSIDL_DESKTOPDIRECTORY), Case.Expected);
  }
  // The variable comes before the file, and ~/.config is the file's folder by default.
  Scratch.Write("config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"/from/file\"\n");
  {
    Testing::TScopedEnvironment Local;
    Local.Set("XDG_DESKTOP_DIR", "/from/variable");
    EXPECT_EQ(SpecialFolderPath(CSIDL_DESKTOPDIRECTORY), "/from/variable");
  }
  Env.Set("HOME", Scratch.Path());
  Env.Unset("XDG_CONFIG_HOME");
  Scratch.Write(".config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Стол\"\n");
  EXPECT_EQ(SpecialFolderPath(CSIDL_DESKTOPDIRECTORY), Scratch / "Стол");
}

TEST_F(KnownFoldersTest, UnknownNumberIsAnInvalidParameter) {
  for (int Csidl : {-1, 1, 17, 36, 0x8000}) {
    SCOPED_TRACE(Csidl);
    try {
      SpecialFolderPath(Csidl);
      ADD_FAILURE() << "no error";
    } catch (const EOSError& E) {
      EXPECT_EQ(E.ErrorCode(), EINVAL);
    }
  }
}

TEST_F(KnownFoldersTest, TemporaryFolderEndsWithASeparator) {
  EXPECT_EQ(TempFolderPath(), "/tmp/");
  Env.Set("TMPDIR", "/scratch/tmp");
  EXPECT_EQ(TempFolderPath(), "/scratch/tmp/");
  Env.Set("TMPDIR", "/scratch/tmp///");
  EXPECT_EQ(TempFolderPath(), "/scratch/tmp/");
}

}  // namespace
}  // namespace Quellit::Platform
