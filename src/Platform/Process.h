// The running process: its executable and folder, its command line, ending it, and child
// processes (the tools and tests that run a program and wait for it).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Lib/Common/Common.Object.h"
#include "Platform/ScopedHandle.h"

namespace Quellit::Platform {

std::string ExecutablePath();
// The executable's folder with a trailing separator, or the folder given by "--setup-dir".
std::string ExecutableFolder();

// Takes the program's arguments at start-up. "--setup-dir DIR" and "--setup-dir=DIR" are removed
// and DIR (made absolute, with a trailing separator) replaces ExecutableFolder; without the option
// there is no replacement. Returns the remaining arguments without the program name, which
// CommandLineArguments gives from then on. A "--setup-dir" without a folder raises EArgumentException.
std::vector<std::string> TakeCommandLine(int AArgc, const char* const* AArgv);
const std::vector<std::string>& CommandLineArguments();

// Opens the null device in place of a standard stream (input, output, error) the parent left closed: input for
// reading, output and error read-only, so a write there still fails as it would on a closed
// stream, while no file the program opens later takes the stream's number and receives its text.
// The streams then carry exactly the bytes written to them (on Windows they leave text mode).
void ReserveStandardStreams();

// Ends the process with the exit code after the usual clean-up of a normal exit (buffered output is
// flushed, static objects are destroyed).
[[noreturn]] void ExitProcess(int ACode);

// A program started with arguments and extra environment variables. The destructor of a child
// still running kills it and waits for it, so no test leaves a process behind.
class TChildProcess : public TObject {
 public:
  using TEnvironment = std::vector<std::pair<std::string, std::string>>;

  TChildProcess(const std::string& AProgram, const std::vector<std::string>& AArguments,
                const TEnvironment& AExtraEnvironment = {});
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;
  ~TChildProcess() override;

  // The exit code; 128 + the signal number when a signal ended it. On Windows the code as the
  // system gives it (an exception's 0xC0000005 as a negative number).
  int Wait();
  // The exit code when it has ended, nothing while it runs.
  std::optional<int> TryWait();

 private:
  TNativeHandle FProcess = InvalidNativeHandle;
  std::optional<int> FExitCode;
};

}  // namespace Quellit::Platform
