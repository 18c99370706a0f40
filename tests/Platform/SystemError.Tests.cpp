#include "Platform/SystemError.h"

#include <gtest/gtest.h>

#include "Lib/Common/Common.Exception.h"
#include "Platform/File.h"

namespace Quellit::Platform {
namespace {

TEST(SystemError, FileNotFoundCarriesCodeTwoAndThePath) {
  try {
    RaiseFileNotFound("/no/such/folder");
    FAIL() << "no exception";
  } catch (const EOSError& E) {
    EXPECT_EQ(E.ErrorCode(), 2);
    EXPECT_TRUE(IsFileNotFound(E.ErrorCode()));
    EXPECT_EQ(E.Message(), "System Error.  Code: 2.\nNo such file or directory: /no/such/folder");
  }
}

// The test a caller makes of an error raised by the layer itself, whatever the backend's numbers.
TEST(SystemError, FileNotFoundIsTheErrorOfAMissingPathOnly) {
  try {
    ReadAllBytes("/no/such/folder/file.bin");
    FAIL() << "no exception";
  } catch (const EOSError& E) {
    EXPECT_TRUE(IsFileNotFound(E.ErrorCode())) << E.Message();
  }
  EXPECT_FALSE(IsFileNotFound(0));
}

}  // namespace
}  // namespace Quellit::Platform
