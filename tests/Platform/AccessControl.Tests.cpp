#include "Platform/AccessControl.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Lib/Common/Common.Exception.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;
namespace fs = std::filesystem;

TEST(GrantEveryoneFullAccess, MissingFileRaisesNamingThePath) {
  TScratchFolder Scratch;
  try {
    GrantEveryoneFullAccess(Scratch / "gone.txt");
    FAIL() << "no error for a missing file";
  } catch (const EOSError& E) {
    EXPECT_EQ(E.ErrorCode(), ENOENT);
    EXPECT_NE(E.Message().find("gone.txt"), std::string::npos) << E.Message();
  }
}

}  // namespace
}  // namespace Quellit::Platform
