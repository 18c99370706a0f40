#include "Platform/ShellOpen.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "Lib/Common/Common.Exception.h"
#include "Platform/Environment.h"
#include "Platform/File.h"
#include "Platform/Path.h"
#include "Support/ScopedEnvironment.h"
#include "Support/ScratchFolder.h"
#include "Platform/Win32/SystemCall.h"

#include <shellapi.h>

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;

// The test program as the opener: it writes the one argument it was given to the file named by
// QUELLIT_TEST_OPENED and ends.
bool RunOpenerRoleIfAsked() {
  if (GetEnv("QUELLIT_TEST_CHILD_ROLE") != "record-opener") return false;
  int Count = 0;
  LPWSTR* Arguments = ::CommandLineToArgvW(::GetCommandLineW(), &Count);
  const std::string Argument = Count == 2 ? Utf8OfWide(Arguments[1]) : "argument count " + std::to_string(Count);
  const std::string Report = GetEnvOr("QUELLIT_TEST_OPENED", "");
  WriteAllBytesAtomic(Report, Argument.data(), Argument.size());
  ::ExitProcess(0);
}
[[maybe_unused]] const bool OpenerRole = RunOpenerRoleIfAsked();

std::string ThisProgram() {
  wchar_t Path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, Path, MAX_PATH);
  return Utf8OfWide(Path);
}

std::string WaitForText(const std::string& APath) {
  for (int I = 0; I < 2000 && !FileExists(APath); ++I) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (!FileExists(APath)) return "(nothing opened)";
  const std::vector<std::uint8_t> Bytes = ReadAllBytes(APath);
  return std::string(Bytes.begin(), Bytes.end());
}

// The opener gets the path as one argument, whatever blanks, quotes or trailing separators it has.
TEST(ShellOpenWin32, TheNamedOpenerGetsThePathAsOneArgument) {
  TScratchFolder Scratch;
  Testing::TScopedEnvironment Environment;
  Environment.Set(OpenerVariable, ThisProgram());
  Environment.Set("QUELLIT_TEST_CHILD_ROLE", "record-opener");
  const std::string Paths[] = {
      JoinPath(Scratch.Path(), "Смета 1.xml"),
      JoinPath(Scratch.Path(), "Папка с пробелами") + "\\",
      "C:\\a \"quoted\" name\\\\",
      "plain",
  };
  int Run = 0;
  for (const std::string& Path : Paths) {
    SCOPED_TRACE(Path);
    const std::string Report = JoinPath(Scratch.Path(), "opened-" + std::to_string(++Run));
    Environment.Set("QUELLIT_TEST_OPENED", Report);
    OpenWithDefaultApplication(Path);
    EXPECT_EQ(WaitForText(Report), Path);
  }
}

TEST(ShellOpenWin32, AMissingOpenerOrFileIsAnError) {
  TScratchFolder Scratch;
  Testing::TScopedEnvironment Environment;
  Environment.Set(OpenerVariable, JoinPath(Scratch.Path(), "no-opener.exe"));
  EXPECT_THROW(OpenWithDefaultApplication(JoinPath(Scratch.Path(), "x.txt")), EOSError);
  Environment.Unset(OpenerVariable);
  try {
    OpenWithDefaultApplication(JoinPath(Scratch.Path(), "нет такого.txt"));
    FAIL() << "no error for a missing file";
  } catch (const EOSError& E) {
    EXPECT_EQ(E.ErrorCode(), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(E.Message().find("нет такого.txt"), std::string::npos) << E.Message();
  }
}

}  // namespace
}  // namespace Quellit::Platform
