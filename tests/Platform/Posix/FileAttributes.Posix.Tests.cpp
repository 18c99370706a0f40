// Read-only as permission bits: every write bit goes, the others stay.
#include "Platform/FileAttributes.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Platform/File.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

namespace fs = std::filesystem;

TEST(FileAttributes, ReadOnlyTakesEveryWriteAwayAndKeepsTheRest) {
  Testing::TScratchFolder Scratch;
  const std::string Path = Scratch.Write("file", "x");
  fs::permissions(Path, fs::perms(0776));
  SetFileReadOnly(Path, true);
  EXPECT_EQ(static_cast<unsigned>(fs::status(Path).permissions()), 0554u);
  EXPECT_TRUE(GetFileInfo(Path)->IsReadOnly);
  SetFileReadOnly(Path, true);  // already read-only: unchanged
  EXPECT_EQ(static_cast<unsigned>(fs::status(Path).permissions()), 0554u);
  SetFileReadOnly(Path, false);
  EXPECT_EQ(static_cast<unsigned>(fs::status(Path).permissions()), 0754u);
  EXPECT_FALSE(GetFileInfo(Path)->IsReadOnly);
}

}  // namespace
}  // namespace Quellit::Platform
