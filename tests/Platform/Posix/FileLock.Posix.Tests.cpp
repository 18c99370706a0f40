// The lock file on POSIX: open to every user whatever the umask, and never reached through a link.
#include "Platform/FileLock.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "Lib/Common/Common.Exception.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;
namespace fs = std::filesystem;

TEST(TFileLock, TheFileIsOpenToEveryUserWhateverTheUmask) {
  TScratchFolder Scratch;
  mode_t Previous = ::umask(077);
  { TFileLock Lock(Scratch / "update.lock"); }
  ::umask(Previous);
  EXPECT_EQ(fs::status(Scratch / "update.lock").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::group_write |
                fs::perms::others_read | fs::perms::others_write);
}

TEST(TFileLock, ALinkInItsPlaceIsRefusedNotFollowed) {
  TScratchFolder Scratch;
  std::string Target = Scratch.Write("elsewhere.txt", "x");
  fs::permissions(Target, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(Target, Scratch / "update.lock");
  fs::create_symlink(Scratch / "missing", Scratch / "dangling.lock");
  EXPECT_THROW(TFileLock(Scratch / "update.lock"), EOSError);
  EXPECT_THROW(TFileLock(Scratch / "dangling.lock"), EOSError);
  EXPECT_EQ(fs::status(Target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_FALSE(fs::exists(Scratch / "missing"));
}

}  // namespace
}  // namespace Quellit::Platform
