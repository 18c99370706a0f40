// Child processes on POSIX: a signal that ends a child shows in its exit code.
#include "Platform/Process.h"

#include <gtest/gtest.h>

#include "Lib/Common/Common.Exception.h"

namespace Quellit::Platform {
namespace {

TEST(TChildProcess, ReportsSignalsAndStartFailures) {
  TChildProcess Killed("/bin/sh", {"-c", "kill -TERM $$"});
  EXPECT_EQ(Killed.Wait(), 128 + 15);
  EXPECT_EQ(Killed.Wait(), 128 + 15);  // asking again gives the same answer
  EXPECT_THROW(TChildProcess("/nonexistent/program", {}), EOSError);
}

}  // namespace
}  // namespace Quellit::Platform
