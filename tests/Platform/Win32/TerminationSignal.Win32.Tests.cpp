#include "Platform/TerminationSignal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "Platform/Win32/SystemCall.h"

namespace Quellit::Platform {
namespace {

class TerminationSignalWin32 : public testing::Test {
 protected:
  void SetUp() override {
    CatchTerminationSignals();
    ClearTerminationRequest();
  }
  void TearDown() override { ClearTerminationRequest(); }
};

TEST_F(TerminationSignalWin32, ARaisedRequestIsSeenAndCleared) {
  EXPECT_FALSE(TerminationRequested());
  RaiseTerminationSignal();
  EXPECT_TRUE(TerminationRequested());
  WaitForTerminationRequest();  // pending: returns at once
  ClearTerminationRequest();
  EXPECT_FALSE(TerminationRequested());
}

TEST_F(TerminationSignalWin32, AWaiterWakesWhenTheRequestComes) {
  std::thread Later([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    RaiseTerminationSignal();
  });
  WaitForTerminationRequest();
  EXPECT_TRUE(TerminationRequested());
  Later.join();
}

}  // namespace
}  // namespace Quellit::Platform
