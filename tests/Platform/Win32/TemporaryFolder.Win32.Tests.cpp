#include "Platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include "Platform/File.h"
#include "Platform/Folder.h"
#include "Platform/KnownFolders.h"
#include "Platform/Path.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

TEST(Win32TemporaryFolder, APrivateFolderIsNewEachTimeAndOnlyItsOwnersOwn) {
  const std::string First = CreatePrivateTemporaryFolder("quellit-private-");
  const std::string Second = CreatePrivateTemporaryFolder("quellit-private-");
  EXPECT_NE(First, Second);
  EXPECT_TRUE(ExtractFileName(First).starts_with("quellit-private-"));
  EXPECT_EQ(ExtractFilePath(First), TempFolderPath());
  EXPECT_TRUE(DirectoryExists(First));
  EXPECT_TRUE(IsPrivateFolder(First));
  // What the shared temporary folder gives a new folder lets others in.
  Testing::TScratchFolder Scratch;
  EXPECT_FALSE(IsPrivateFolder(Scratch.Path()));
  EXPECT_FALSE(IsPrivateFolder(Scratch.Write("file", "x")));
  EXPECT_FALSE(IsPrivateFolder(Scratch / "missing"));
  RemoveFolderTree(First);
  RemoveFolderTree(Second);
}

}  // namespace
}  // namespace Quellit::Platform
