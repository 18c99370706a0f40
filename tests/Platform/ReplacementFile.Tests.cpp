#include "Platform/ReplacementFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "Lib/Common/Common.Exception.h"
#include "Platform/TemporaryFolder.h"
#include "Support/ScopedEnvironment.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;
namespace fs = std::filesystem;

std::vector<std::string> Names(const std::string& AFolder) {
  std::vector<std::string> Result;
  for (const auto& Item : fs::directory_iterator(AFolder)) Result.push_back(Item.path().filename());
  std::sort(Result.begin(), Result.end());
  return Result;
}

TEST(TReplacementFile, TheTargetIsReplacedWholeOnCommitAndUntouchedOtherwise) {
  TScratchFolder Folder;
  const std::string Target = Folder.Write("a.txt", "old");
  fs::permissions(Target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  {
    TReplacementFile File(Target);
    File.Handle().Write("new", 3);
    EXPECT_EQ(TScratchFolder::Read(Target), "old");  // not before the commit
    EXPECT_EQ(Names(Folder.Path()).size(), 2u);
  }  // dropped without a commit
  EXPECT_EQ(TScratchFolder::Read(Target), "old");
  EXPECT_EQ(Names(Folder.Path()), std::vector<std::string>{"a.txt"});

  TReplacementFile File(Target);
  File.Handle().Write("new", 3);
  File.Commit();
  EXPECT_EQ(TScratchFolder::Read(Target), "new");
  EXPECT_EQ(fs::status(Target).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(Names(Folder.Path()), std::vector<std::string>{"a.txt"});
}

// The sibling's name is cut to fit one file name, or such a target could never be written.
TEST(TReplacementFile, ATargetWithTheLongestNameIsReplaced) {
  TScratchFolder Folder;
  const std::string Name(255, 'n');
  const std::string Target = Folder.Write(Name, "old");
  TReplacementFile File(Target);
  File.Handle().Write("new", 3);
  File.Commit();
  EXPECT_EQ(TScratchFolder::Read(Target), "new");
  EXPECT_EQ(Names(Folder.Path()), std::vector<std::string>{Name});
}

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

TEST(TReplacementFile, WithoutOverwriteAnExistingTargetStays) {
  TScratchFolder Folder;
  const std::string Target = Folder.Write("a.txt", "there first");
  TReplacementFile File(Target);
  File.Handle().Write("late", 4);
  EXPECT_THROW(File.Commit(false), EOSError);
  EXPECT_EQ(TScratchFolder::Read(Target), "there first");
  TReplacementFile Fresh(Folder / "b.txt");
  Fresh.Commit(false);
  EXPECT_TRUE(fs::exists(Folder / "b.txt"));
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

TEST(TReplacementFile, AMissingFolderFailsNamingTheFile) {
  TScratchFolder Folder;
  try {
    TReplacementFile File(Folder / "no/such/a.txt");
    FAIL();
  } catch (const EOSError& E) {
    EXPECT_NE(E.Message().find(Folder / "no/such/a.txt"), std::string::npos) << E.Message();
  }
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
