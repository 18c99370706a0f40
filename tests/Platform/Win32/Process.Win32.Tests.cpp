// What the Win32 backend adds to the process contract: a command line every argument survives,
// read back from the system's UTF-16, and exit codes past a byte.
#include "Platform/Process.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "Lib/Common/Common.Exception.h"
#include "Platform/Environment.h"
#include "Platform/File.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Platform {
namespace {

using Testing::TScratchFolder;

// The test program re-run as a child, before any test: with QUELLIT_TEST_CHILD_ROLE=arguments it
// writes the arguments it was given, each ended by a zero byte, to QUELLIT_TEST_WITNESS.
bool ReportArgumentsIfAsked() {
  if (GetEnvOr("QUELLIT_TEST_CHILD_ROLE", "") != "arguments") return false;
  std::string Report;
  for (const std::string& Argument : TakeCommandLine(__argc, __argv)) Report += Argument + '\0';
  WriteAllBytesAtomic(GetEnvOr("QUELLIT_TEST_WITNESS", ""), Report.data(), Report.size());
  ExitProcess(300);
}
[[maybe_unused]] const bool ChildRole = ReportArgumentsIfAsked();

TEST(Win32Process, EveryArgumentReachesTheChildAsItWasGiven) {
  TScratchFolder Scratch;
  // Blanks, quotes, backslashes before quotes and at the end, empty arguments, and characters
  // the ANSI code page lacks, which only the UTF-16 command line keeps.
  const std::vector<std::string> Arguments{
      "plain", "two words", "", "quote\"inside", "trailing\\", "C:\\Program Files\\Корвел\\", "back\\\\\"slash",
      "\t", "Ωμέγα ☃", "/PORTABLE"};
  TChildProcess Child(ExecutablePath(), Arguments,
                      {{"QUELLIT_TEST_CHILD_ROLE", "arguments"}, {"QUELLIT_TEST_WITNESS", Scratch / "arguments"}});
  EXPECT_EQ(Child.Wait(), 300);
  const std::string Report = TScratchFolder::Read(Scratch / "arguments");
  std::vector<std::string> Received;
  for (std::size_t Start = 0, End; (End = Report.find('\0', Start)) != std::string::npos; Start = End + 1)
    Received.push_back(Report.substr(Start, End - Start));
  EXPECT_EQ(Received, Arguments);
}

TEST(Win32Process, AProgramThatIsMissingIsTheSystemError) {
  TScratchFolder Scratch;
  try {
    TChildProcess Child(Scratch / "missing.exe", {});
    FAIL() << "started a missing program";
  } catch (const EOSError& E) {
    EXPECT_TRUE(IsFileNotFound(E.ErrorCode())) << E.Message();
  }
}

}  // namespace
}  // namespace Quellit::Platform
