#include "Platform/NamedMutex.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include "Platform/Environment.h"
#include "Platform/Process.h"
#include "Support/PlatformSandbox.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;
namespace fs = std::filesystem;

bool WaitFor(const std::function<bool()>& ACondition) {
  for (auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
       std::chrono::steady_clock::now() < Deadline; std::this_thread::sleep_for(std::chrono::milliseconds(10)))
    if (ACondition()) return true;
  return false;
}

// The test program re-run as a child that takes the mutex, reports it in a file, and holds it
// until the parent creates the file "release".
bool RunHoldRoleIfAsked() {
  if (GetEnv("QUELLIT_TEST_CHILD_ROLE") != "hold-mutex") return false;
  std::string Signals = GetEnvOr("QUELLIT_TEST_SIGNALS", "/nonexistent");
  TNamedMutex Mutex(GetEnvOr("QUELLIT_TEST_MUTEX", "Korvel_client"));
  std::ofstream(Signals + "/state") << (Mutex.AlreadyExists() ? "busy" : "held");
  bool Released = WaitFor([&] { return fs::exists(Signals + "/release"); });
  ExitProcess(Released ? 0 : 1);
}
[[maybe_unused]] const bool HoldRole = RunHoldRoleIfAsked();

// Lock files go to a scratch runtime folder instead of the user's; where mutexes are the system's,
// the names are the test process's own, as tests run side by side.
class NamedMutexFixture : public testing::Test {
 protected:
  void SetUp() override {
    FSavedRuntime = GetEnv("XDG_RUNTIME_DIR");
    SetEnv("XDG_RUNTIME_DIR", Scratch.Path());
  }
  void TearDown() override { FSavedRuntime ? SetEnv("XDG_RUNTIME_DIR", *FSavedRuntime) : UnsetEnv("XDG_RUNTIME_DIR"); }

  std::unique_ptr<TChildProcess> StartHolder(const std::string& AName) {
    fs::create_directory(Scratch / "signals");
    auto Child = std::make_unique<TChildProcess>(
        ExecutablePath(), std::vector<std::string>{},
        TChildProcess::TEnvironment{{"QUELLIT_TEST_CHILD_ROLE", "hold-mutex"},
                                    {"QUELLIT_TEST_SIGNALS", Scratch / "signals"},
                                    {"QUELLIT_TEST_MUTEX", AName},
                                    {"XDG_RUNTIME_DIR", Scratch.Path()}});
    EXPECT_TRUE(WaitFor([&] { return !TScratchFolder::Read(Scratch / "signals/state").empty(); }));
    EXPECT_EQ(TScratchFolder::Read(Scratch / "signals/state"), "held");
    return Child;
  }

  TScratchFolder Scratch;
  const std::string Client = Testing::OwnKeyName("Korvel_client");
  const std::string Other = Testing::OwnKeyName("Other_name");

 private:
  std::optional<std::string> FSavedRuntime;
};

TEST_F(NamedMutexFixture, HeldByAnotherProcessUntilItLetsGo) {
  auto Holder = StartHolder(Client);
  EXPECT_TRUE(TNamedMutex(Client).AlreadyExists());
  EXPECT_FALSE(TNamedMutex(Other).AlreadyExists());
  Scratch.Write("signals/release", "");
  EXPECT_EQ(Holder->Wait(), 0);
  EXPECT_FALSE(TNamedMutex(Client).AlreadyExists());
}

TEST_F(NamedMutexFixture, AKilledHolderDropsTheLock) {
  auto Holder = StartHolder(Client);
  EXPECT_TRUE(TNamedMutex(Client).AlreadyExists());
  Holder.reset();  // killed, never released
  EXPECT_FALSE(TNamedMutex(Client).AlreadyExists());
}

TEST_F(NamedMutexFixture, ASecondHolderInTheSameProcessSeesItTaken) {
  std::optional<TNamedMutex> First;
  First.emplace(Client);
  EXPECT_FALSE(First->AlreadyExists());
  EXPECT_TRUE(TNamedMutex(Client).AlreadyExists());
  First.reset();
  EXPECT_FALSE(TNamedMutex(Client).AlreadyExists());
}

}  // namespace
}  // namespace Quellit::Platform
