#include "Platform/Process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "Lib/Common/Common.Exception.h"
#include "Platform/Environment.h"
#include "Platform/Path.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::FileSystemPathOf;
using Testing::PathTextOf;
using Testing::TScratchFolder;
namespace fs = std::filesystem;

// The folder the executable lies in, as the layer writes a folder.
std::string FolderOfExecutable() { return IncludeTrailingPathDelimiter(PathTextOf(FileSystemPathOf(ExecutablePath()).parent_path())); }

// Writes a file when static objects are destroyed: shows that ExitProcess ran the normal clean-up.
struct TCleanupWitness {
  std::string Path;
  ~TCleanupWitness() { std::ofstream(Path) << "cleaned up"; }
};

// The test program re-run as a child, before any test: with QUELLIT_TEST_CHILD_ROLE=exit it ends
// here through ExitProcess; with "wait" it stays running until it is ended.
bool RunChildRoleIfAsked() {
  const std::string Role = GetEnvOr("QUELLIT_TEST_CHILD_ROLE", "");
  if (Role == "wait") {
    std::this_thread::sleep_for(std::chrono::seconds(30));
    ExitProcess(0);
  }
  if (Role != "exit") return false;
  static TCleanupWitness Witness{GetEnvOr("QUELLIT_TEST_WITNESS", "")};
  ExitProcess(7);
}
[[maybe_unused]] const bool ChildRole = RunChildRoleIfAsked();

TEST(Process, ExecutablePathAndFolder) {
  TakeCommandLine(0, nullptr);
  std::string Path = ExecutablePath();
  EXPECT_TRUE(FileSystemPathOf(Path).is_absolute());
  EXPECT_TRUE(IsAbsolutePath(Path));
  EXPECT_EQ(FileSystemPathOf(Path).stem(), "PlatformTests");
  EXPECT_EQ(ExecutableFolder(), FolderOfExecutable());
}

struct TCommandLineCase {
  std::vector<const char*> Arguments;
  std::vector<std::string> Remaining;
  const char* Folder;  // nullptr: the executable's own folder; it ends with the native separator
};
void PrintTo(const TCommandLineCase& C, std::ostream* AOut) {
  for (const char* Argument : C.Arguments) *AOut << Argument << ' ';
}

class CommandLine : public testing::TestWithParam<TCommandLineCase> {};

TEST_P(CommandLine, SetupDirIsTakenOutAndReplacesTheFolder) {
  std::vector<const char*> Argv{"quellit-setup"};
  Argv.insert(Argv.end(), GetParam().Arguments.begin(), GetParam().Arguments.end());
  EXPECT_EQ(TakeCommandLine(static_cast<int>(Argv.size()), Argv.data()), GetParam().Remaining);
  EXPECT_EQ(CommandLineArguments(), GetParam().Remaining);
  std::string Expected = GetParam().Folder ? IncludeTrailingPathDelimiter(GetParam().Folder) : FolderOfExecutable();
  EXPECT_EQ(ExecutableFolder(), Expected);
  TakeCommandLine(0, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLine,
    testing::Values(TCommandLineCase{{}, {}, nullptr},
                    TCommandLineCase{{"-portable"}, {"-portable"}, nullptr},
                    TCommandLineCase{{"--setup-dir", "/opt/setup", "/PORTABLE"}, {"/PORTABLE"}, "/opt/setup"},
                    TCommandLineCase{{"a", "--setup-dir=/opt/Корвел/", "b"}, {"a", "b"}, "/opt/Корвел/"},
                    TCommandLineCase{{"--setup-dir", "/first", "--setup-dir", "/second"}, {}, "/second"},
                    // Arguments in Windows-1251 bytes ("Корвел", "Нормы") are text.
                    TCommandLineCase{{"--setup-dir", "/opt/\xCA\xEE\xF0\xE2\xE5\xEB-arg", "\xCD\xEE\xF0\xEC\xFB-arg"},
                                     {"Нормы-arg"},
                                     "/opt/Корвел-arg"}));

TEST(Process, RelativeSetupDirIsMadeAbsolute) {
  const char* Argv[] = {"quellit-setup", "--setup-dir", "payload"};
  TakeCommandLine(3, Argv);
  EXPECT_EQ(ExecutableFolder(), JoinFolderPath(PathTextOf(fs::current_path()), "payload"));
  TakeCommandLine(0, nullptr);
}

TEST(Process, SetupDirWithoutAFolderIsRejected) {
  const char* Missing[] = {"quellit-setup", "--setup-dir"};
  EXPECT_THROW(TakeCommandLine(2, Missing), EArgumentException);
  const char* Empty[] = {"quellit-setup", "--setup-dir="};
  EXPECT_THROW(TakeCommandLine(2, Empty), EArgumentException);
}

TEST(Process, ExitProcessEndsAChildWithItsCodeAfterCleanUp) {
  TScratchFolder Scratch;
  TChildProcess Child(ExecutablePath(), {},
                      {{"QUELLIT_TEST_CHILD_ROLE", "exit"}, {"QUELLIT_TEST_WITNESS", Scratch / "witness"}});
  EXPECT_EQ(Child.Wait(), 7);
  EXPECT_EQ(TScratchFolder::Read(Scratch / "witness"), "cleaned up");
}

TEST(TChildProcess, DestructorEndsARunningChild) {
  std::optional<TChildProcess> Sleeper;
  Sleeper.emplace(ExecutablePath(), std::vector<std::string>{},
                  TChildProcess::TEnvironment{{"QUELLIT_TEST_CHILD_ROLE", "wait"}});
  EXPECT_EQ(Sleeper->TryWait(), std::nullopt);
  auto Started = std::chrono::steady_clock::now();
  Sleeper.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - Started, std::chrono::seconds(10));
}

}  // namespace
}  // namespace Quellit::Platform
