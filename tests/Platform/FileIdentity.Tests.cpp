#include "Platform/FileIdentity.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;

TEST(FileIdentity, AHandleAndItsPathAgreeUntilThePathNamesAnotherFile) {
  TScratchFolder Scratch;
  std::string Path = Scratch.Write("a", "first");
  TFileHandle Handle(Path, TFileAccess::Read, TFileDisposition::OpenExisting);
  TFileIdentity Opened = FileIdentityOf(Handle);
  EXPECT_EQ(FileIdentityOf(Path), Opened);

  // A second name of the same file has the same identity.
  std::filesystem::create_hard_link(Path, Scratch / "link");
  EXPECT_EQ(FileIdentityOf(Scratch / "link"), Opened);

  // Renamed over: the path now names another file. (Windows refuses to replace a file that is
  // still open, so the handle goes first.)
  Handle.Close();
  std::string Other = Scratch.Write("b", "second");
  ASSERT_TRUE(RenameFile(Other, Path));
  EXPECT_NE(FileIdentityOf(Path), Opened);

  EXPECT_EQ(FileIdentityOf(Scratch / "missing"), std::nullopt);
}

}  // namespace
}  // namespace Quellit::Platform
