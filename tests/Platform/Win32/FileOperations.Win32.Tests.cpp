#include "Platform/FileOperations.h"

#include <gtest/gtest.h>

#include "Lib/Common/Common.Exception.h"
#include "Platform/File.h"
#include "Platform/Folder.h"
#include "Platform/Guid.h"
#include "Platform/Path.h"
#include "Support/ScratchFolder.h"
// windows.h last: its S_OK and friends are macros.
#include "Platform/Win32/SystemCall.h"
#include "Platform/Win32/WidePath.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;

// A folder on another volume than the scratch folder, removed afterwards; under Wine the Unix
// side's memory file system is one.
class TOtherVolumeFolder {
 public:
  TOtherVolumeFolder() {
    const std::string Candidate = "Z:\\dev\\shm\\quellit-test-" + NewGuid().ToString().substr(1, 36);
    if (CreateDir(Candidate)) FPath = Candidate;
  }
  ~TOtherVolumeFolder() {
    if (!FPath.empty()) RemoveFolderTree(FPath);
  }
  const std::string& Path() const { return FPath; }

 private:
  std::string FPath;
};

TEST(Win32FileOperations, AMoveToAnotherVolumeCopiesBytesAttributesAndTimesAndNeverReplaces) {
  TScratchFolder Scratch;
  TOtherVolumeFolder Other;
  if (Other.Path().empty()) GTEST_SKIP() << "no second volume to move to";
  const std::string Source = Scratch.Write("moved.txt", "payload");
  ::SetFileAttributesW(WidePathOf(Source).c_str(), FILE_ATTRIBUTE_HIDDEN);
  const TFileTime Written = GetFileInfo(Source)->LastWriteTime;
  const std::string Target = JoinPath(Other.Path(), "moved.txt");
  ASSERT_EQ(RenameNoReplace(Source, Target).ErrorCode(), ERROR_NOT_SAME_DEVICE);

  MoveFileNoReplace(Source, Target);
  EXPECT_FALSE(FileExists(Source));
  EXPECT_EQ(TScratchFolder::Read(Target), "payload");
  EXPECT_TRUE(GetFileInfo(Target)->IsHidden);
  EXPECT_EQ(GetFileInfo(Target)->LastWriteTime.Seconds, Written.Seconds);
  EXPECT_EQ(ListFolder(Other.Path()).size(), 1u);  // no temporary left beside it

  const std::string Second = Scratch.Write("moved.txt", "other");
  EXPECT_THROW(MoveFileNoReplace(Second, Target), EOSError);
  EXPECT_EQ(TScratchFolder::Read(Target), "payload");
  EXPECT_EQ(TScratchFolder::Read(Second), "other");
}

// Flushing a volume takes an administrator; a user's update still goes on.
TEST(Win32FileOperations, SyncingTheFileSystemOfAPathNeedsOnlyThePath) {
  TScratchFolder Scratch;
  EXPECT_NO_THROW(SyncFileSystemOf(Scratch.Path()));
  EXPECT_NO_THROW(SyncFolder(Scratch.Path()));
  EXPECT_THROW(SyncFileSystemOf(Scratch / "missing"), EOSError);
}

}  // namespace
}  // namespace Quellit::Platform
