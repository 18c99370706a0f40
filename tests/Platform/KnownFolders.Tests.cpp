#include "Platform/KnownFolders.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

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
