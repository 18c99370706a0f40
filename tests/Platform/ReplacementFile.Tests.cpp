#include "Platform/ReplacementFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "Lib/Common/Common.Exception.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;
namespace fs = std::filesystem;

std::vector<std::string> Names(const std::string& AFolder) {
  std::vector<std::string> Result;
  for (const auto& Item : fs::directory_iterator(Testing::FileSystemPathOf(AFolder)))
    Result.push_back(Testing::PathTextOf(Item.path().filename()));
  std::sort(Result.begin(), Result.end());
  return Result;
}

TEST(TReplacementFile, TheTargetIsReplacedWholeOnCommitAndUntouchedOtherwise) {
  TScratchFolder Folder;
  const std::string Target = Folder.Write("a.txt", "old");
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

TEST(TReplacementFile, AMissingFolderFailsNamingTheFile) {
  TScratchFolder Folder;
  try {
    TReplacementFile File(Folder / "no/such/a.txt");
    FAIL();
  } catch (const EOSError& E) {
    EXPECT_NE(E.Message().find(Folder / "no/such/a.txt"), std::string::npos) << E.Message();
  }
}

}  // namespace
}  // namespace Quellit::Platform
