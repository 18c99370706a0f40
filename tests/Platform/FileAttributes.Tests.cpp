#include "Platform/FileAttributes.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Lib/Common/Common.Exception.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

TEST(FileAttributes, AMissingFileIsTheSystemError) {
  Testing::TScratchFolder Scratch;
  EXPECT_THROW(SetFileReadOnly(Scratch / "missing", true), EOSError);
}

}  // namespace
}  // namespace Quellit::Platform
