#include "Platform/FileOperations.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "Lib/Common/Common.Exception.h"
#include "Platform/AccessControl.h"
#include "Platform/Process.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;
namespace fs = std::filesystem;

TEST(PathKindOf, TellsWhatThePathItselfIs) {
  TScratchFolder Scratch;
  Scratch.Write("file", "x");
  fs::create_directory(Scratch / "folder");
  fs::create_symlink(Scratch / "folder", Scratch / "link-to-folder");
  fs::create_symlink(Scratch / "missing", Scratch / "dangling");
  fs::create_symlink("loop", Scratch / "loop");
  ASSERT_EQ(TChildProcess("/usr/bin/mkfifo", {Scratch / "fifo"}).Wait(), 0);
  const std::vector<std::pair<std::string, TPathKind>> Cases = {
      {"file", TPathKind::File},     {"folder", TPathKind::Folder}, {"link-to-folder", TPathKind::Link},
      {"dangling", TPathKind::Link}, {"loop", TPathKind::Link},     {"fifo", TPathKind::Other},
      {"missing", TPathKind::None},
  };
  for (const auto& [Name, Kind] : Cases) EXPECT_EQ(PathKindOf(Scratch / Name), Kind) << Name;
}

TEST(RenameNoReplace, NeverReplacesAndMovesALinkAsItself) {
  TScratchFolder Scratch;
  std::string Source = Scratch.Write("source", "source");
  Scratch.Write("existing", "existing");
  fs::create_symlink(Scratch / "missing", Scratch / "dangling");
  for (const char* Taken : {"existing", "dangling"}) {
    EXPECT_FALSE(RenameNoReplace(Source, Scratch / Taken)) << Taken;
    EXPECT_EQ(TScratchFolder::Read(Source), "source");
  }
  EXPECT_FALSE(fs::exists(Scratch / "missing"));
  EXPECT_EQ(TScratchFolder::Read(Scratch / "existing"), "existing");
  EXPECT_TRUE(RenameNoReplace(Scratch / "dangling", Scratch / "moved-link"));
  EXPECT_EQ(fs::read_symlink(Scratch / "moved-link"), Scratch / "missing");
}

TEST(MoveFileNoReplace, KeepsModeAndTimesAndRaisesWhenTheTargetExists) {
  TScratchFolder Scratch;
  std::string Source = Scratch.Write("private", "secret");
  fs::permissions(Source, fs::perms::owner_read | fs::perms::owner_write);
  struct stat Before {};
  ::lstat(Source.c_str(), &Before);
  fs::create_directory(Scratch / "backup");
  MoveFileNoReplace(Source, Scratch / "backup/private");
  struct stat After {};
  ::lstat((Scratch / "backup/private").c_str(), &After);
  EXPECT_FALSE(fs::exists(Source));
  EXPECT_EQ(After.st_mode, Before.st_mode);
  EXPECT_EQ(After.st_mtim.tv_sec, Before.st_mtim.tv_sec);
  EXPECT_EQ(After.st_mtim.tv_nsec, Before.st_mtim.tv_nsec);
  Scratch.Write("again", "again");
  EXPECT_THROW(MoveFileNoReplace(Scratch / "again", Scratch / "backup/private"), EOSError);
  EXPECT_EQ(TScratchFolder::Read(Scratch / "backup/private"), "secret");
  EXPECT_EQ(TScratchFolder::Read(Scratch / "again"), "again");
}

TEST(GrantEveryoneFullAccess, RefusesALinkAndLeavesItsTargetAlone) {
  TScratchFolder Scratch;
  std::string Target = Scratch.Write("target", "x");
  fs::permissions(Target, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(Target, Scratch / "link");
  EXPECT_THROW(GrantEveryoneFullAccess(Scratch / "link"), EOSError);
  EXPECT_EQ(fs::status(Target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace
}  // namespace Quellit::Platform
