#include "Platform/FileLock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "Lib/Common/Common.Exception.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;
namespace fs = std::filesystem;

TEST(TFileLock, OneHolderAtATimeAndFreeAgainWhenItGoes) {
  TScratchFolder Scratch;
  std::string Path = Scratch / "update.lock";
  std::optional<TFileLock> First(std::in_place, Path);
  EXPECT_TRUE(First->Held());
  // Another open of the same file is another holder, as another process would be.
  EXPECT_FALSE(TFileLock(Path).Held());
  First.reset();
  EXPECT_TRUE(TFileLock(Path).Held());
  EXPECT_TRUE(fs::exists(Path));
}

}  // namespace
}  // namespace Quellit::Platform
