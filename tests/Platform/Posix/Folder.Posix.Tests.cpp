// Folders with symbolic links in them: listed by what they point at, never followed on removal.
#include "Platform/Folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Lib/Common/Common.Exception.h"
#include "Support/FolderEntryNames.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::Names;
using Testing::TScratchFolder;
namespace fs = std::filesystem;

TEST(ListFolder, DescribesEachEntry) {
  TScratchFolder Scratch;
  Scratch.Write("sub/inner.txt", "12345");
  Scratch.Write(".dot", "");
  fs::create_symlink(Scratch / "sub", Scratch / "link-to-sub");
  fs::create_symlink(Scratch / "nowhere", Scratch / "dangling");
  std::vector<TFolderEntry> Entries = ListFolder(Scratch.Path());
  ASSERT_EQ(Names(Entries), (std::vector<std::string>{".dot", "dangling", "link-to-sub", "sub"}));
  EXPECT_TRUE(Entries[0].IsHidden);
  EXPECT_FALSE(Entries[1].IsFolder);
  EXPECT_TRUE(Entries[2].IsFolder);
  EXPECT_TRUE(Entries[3].IsFolder);
  EXPECT_FALSE(Entries[3].IsHidden);
  std::vector<TFolderEntry> Inner = ListFolder(Scratch / "sub/");
  ASSERT_EQ(Inner.size(), 1u);
  EXPECT_EQ(Inner[0].Size, 5u);
  EXPECT_GT(Inner[0].LastWriteTime.Seconds, 1600000000);
}

TEST(Folder, RemoveFolderTreeNeverFollowsLinks) {
  TScratchFolder Scratch;
  std::string Outside = Scratch.Write("outside/keep.txt", "precious");
  Scratch.Write("tree/a/b/c.txt", "x");
  Scratch.Write("tree/.hidden/d", "x");
  fs::create_directory_symlink(Scratch / "outside", Scratch / "tree/a/link");
  RemoveFolderTree(Scratch / "tree/");
  EXPECT_FALSE(fs::exists(Scratch / "tree"));
  EXPECT_EQ(TScratchFolder::Read(Outside), "precious");
  EXPECT_NO_THROW(RemoveFolderTree(Scratch / "tree"));  // already gone
  EXPECT_THROW(RemoveFolderTree(Outside), EOSError);    // a file is not a folder
}

}  // namespace
}  // namespace Quellit::Platform
