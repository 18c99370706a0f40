#include "Platform/AccessControl.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Lib/Common/Common.Exception.h"
#include "Platform/File.h"
#include "Platform/Folder.h"
#include "Platform/Path.h"
#include "Platform/SystemError.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;
namespace fs = std::filesystem;

TEST(GrantEveryoneFullAccess, MissingFileRaisesNamingThePath) {
  TScratchFolder Scratch;
  try {
    GrantEveryoneFullAccess(Scratch / "gone.txt");
    FAIL() << "no error for a missing file";
  } catch (const EOSError& E) {
    EXPECT_TRUE(IsFileNotFound(E.ErrorCode())) << E.ErrorCode();
    EXPECT_NE(E.Message().find("gone.txt"), std::string::npos) << E.Message();
  }
}

// What the update needs of it on every backend: the file it copied stays readable and writable
// by its user (and by everyone else, which each backend's own tests check), and so does a folder.
TEST(GrantEveryoneFullAccess, AFileAndAFolderStayReadableAndWritable) {
  TScratchFolder Scratch;
  const std::string File = Scratch.Write("data.xml", "<a/>");
  GrantEveryoneFullAccess(File);
  EXPECT_EQ(TScratchFolder::Read(File), "<a/>");
  const std::string Text = "<b/>";
  WriteAllBytesAtomic(File, Text.data(), Text.size());
  EXPECT_EQ(TScratchFolder::Read(File), "<b/>");

  const std::string Folder = JoinPath(Scratch.Path(), "folder");
  ForceDirectories(Folder);
  GrantEveryoneFullAccess(Folder);
  EXPECT_EQ(TScratchFolder::Read(Scratch.Write("folder/inner.txt", "x")), "x");
}

}  // namespace
}  // namespace Quellit::Platform
