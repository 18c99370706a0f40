// Replacement files and private temporary folders on POSIX: links replaced or refused, never
// followed, and protection as permission bits.
#include "Platform/ReplacementFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Lib/Common/Common.Exception.h"
#include "Platform/TemporaryFolder.h"
#include "Support/ScopedEnvironment.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;
namespace fs = std::filesystem;

TEST(TReplacementFile, ALinkAtTheTargetIsReplacedNotFollowed) {
  TScratchFolder Folder;
  const std::string Victim = Folder.Write("victim.txt", "victim");
  fs::create_symlink(Victim, Folder / "link.txt");
  TReplacementFile File(Folder / "link.txt");
  File.Handle().Write("x", 1);
  File.Commit();
  EXPECT_FALSE(fs::is_symlink(Folder / "link.txt"));
  EXPECT_EQ(TScratchFolder::Read(Folder / "link.txt"), "x");
  EXPECT_EQ(TScratchFolder::Read(Victim), "victim");
}

TEST(TReplacementFile, ACommittedTargetKeepsItsPermissionBits) {
  TScratchFolder Folder;
  const std::string Target = Folder.Write("a.txt", "old");
  const fs::perms Bits = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(Target, Bits);
  TReplacementFile File(Target);
  File.Handle().Write("new", 3);
  File.Commit();
  EXPECT_EQ(TScratchFolder::Read(Target), "new");
  EXPECT_EQ(fs::status(Target).permissions(), Bits);
}

TEST(TReplacementFile, ReadOnlyIsSetOnTheNewFileItself) {
  TScratchFolder Folder;
  TReplacementFile File(Folder / "copy.txt");
  File.Handle().Write("abc", 3);
  File.SetReadOnly();
  File.Handle().Write("d", 1);  // the open handle still writes
  File.Commit();
  EXPECT_EQ(TScratchFolder::Read(Folder / "copy.txt"), "abcd");
  EXPECT_EQ(fs::status(Folder / "copy.txt").permissions() & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write),
            fs::perms::none);
}

TEST(TemporaryFolder, PrivateFoldersAreNewUnguessableAndForTheirOwnerOnly) {
  TScratchFolder Temp;
  Testing::TScopedEnvironment Environment;
  Environment.Set("TMPDIR", Temp.Path());
  const std::string A = CreatePrivateTemporaryFolder("x-");
  const std::string B = CreatePrivateTemporaryFolder("x-");
  EXPECT_NE(A, B);
  EXPECT_TRUE(A.starts_with(Temp / "x-")) << A;
  EXPECT_EQ(fs::status(A).permissions(), fs::perms::owner_all);
  EXPECT_TRUE(IsPrivateFolder(A));
  // A link to a private folder is not one, nor a folder others may enter, nor a file.
  fs::create_directory_symlink(A, Temp / "link");
  EXPECT_FALSE(IsPrivateFolder(Temp / "link"));
  fs::permissions(B, fs::perms::group_exec, fs::perm_options::add);
  EXPECT_FALSE(IsPrivateFolder(B));
  EXPECT_FALSE(IsPrivateFolder(Temp.Write("file", "")));
  EXPECT_FALSE(IsPrivateFolder(Temp / "missing"));
  Environment.Set("TMPDIR", Temp / "missing");
  EXPECT_THROW(CreatePrivateTemporaryFolder("x-"), EOSError);
}

}  // namespace
}  // namespace Quellit::Platform
