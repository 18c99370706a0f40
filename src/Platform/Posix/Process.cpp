#include "Platform/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>

#include "Lib/Common/Common.Exception.h"
#include "Platform/NativeName.h"
#include "Platform/Path.h"
#include "Platform/SystemError.h"

extern char** environ;

namespace Quellit::Platform {
namespace {

const std::string SetupDirOption = "--setup-dir";

std::optional<std::string>& FolderOverride() {
  static std::optional<std::string> Folder;
  return Folder;
}

std::vector<std::string>& RemainingArguments() {
  static std::vector<std::string> Arguments;
  return Arguments;
}

std::string CurrentFolder() {
  std::vector<char> Buffer(4096);
  while (!::getcwd(Buffer.data(), Buffer.size())) {
    if (errno != ERANGE) RaiseOSError(errno);
    Buffer.resize(Buffer.size() * 2);
  }
  return PathFromNative(Buffer.data());
}

std::string AbsoluteFolder(const std::string& AFolder) {
  std::string Folder = IsAbsolutePath(AFolder) ? AFolder : CombinePath(CurrentFolder(), AFolder);
  return IncludeTrailingPathDelimiter(Folder);
}

int DecodeStatus(int AStatus) {
  if (WIFEXITED(AStatus)) return WEXITSTATUS(AStatus);
  if (WIFSIGNALED(AStatus)) return 128 + WTERMSIG(AStatus);
  return -1;
}

// The current environment with the extra variables set over it.
std::vector<std::string> MergedEnvironment(const TChildProcess::TEnvironment& AExtra) {
  std::map<std::string, std::string> Variables;
  for (char** Entry = environ; *Entry; ++Entry) {
    std::string Text = *Entry;
    std::size_t Equals = Text.find('=');
    if (Equals != std::string::npos) Variables[Text.substr(0, Equals)] = Text.substr(Equals + 1);
  }
  for (const auto& [Name, Value] : AExtra) Variables[Name] = Value;
  std::vector<std::string> Result;
  for (const auto& [Name, Value] : Variables) Result.push_back(Name + "=" + Value);
  return Result;
}

std::vector<char*> Pointers(std::vector<std::string>& ATexts) {
  std::vector<char*> Result;
  for (std::string& Text : ATexts) Result.push_back(Text.data());
  Result.push_back(nullptr);
  return Result;
}

}  // namespace

std::string ExecutablePath() {
  std::vector<char> Buffer(4096);
  for (;;) {
    ssize_t Length = ::readlink("/proc/self/exe", Buffer.data(), Buffer.size());
    if (Length < 0) RaiseOSError(errno, "/proc/self/exe");
    if (static_cast<std::size_t>(Length) < Buffer.size())
      return PathFromNative(std::string_view(Buffer.data(), static_cast<std::size_t>(Length)));
    Buffer.resize(Buffer.size() * 2);
  }
}

std::string ExecutableFolder() {
  if (FolderOverride()) return *FolderOverride();
  return ExtractFilePath(ExecutablePath());
}

std::vector<std::string> TakeCommandLine(int AArgc, const char* const* AArgv) {
  std::optional<std::string> Folder;
  std::vector<std::string> Remaining;
  for (int I = 1; I < AArgc; ++I) {
    std::string Argument = PathFromNative(AArgv[I]);
    if (Argument == SetupDirOption) {
      if (I + 1 >= AArgc) throw EArgumentException("Option " + SetupDirOption + " needs a folder");
      Folder = PathFromNative(AArgv[++I]);
    } else if (Argument.starts_with(SetupDirOption + "=")) {
      Folder = Argument.substr(SetupDirOption.size() + 1);
    } else {
      Remaining.push_back(std::move(Argument));
    }
  }
  if (Folder && Folder->empty()) throw EArgumentException("Option " + SetupDirOption + " needs a folder");
  FolderOverride() = Folder ? std::optional<std::string>(AbsoluteFolder(*Folder)) : std::nullopt;
  RemainingArguments() = Remaining;
  return Remaining;
}

const std::vector<std::string>& CommandLineArguments() { return RemainingArguments(); }

void ReserveStandardStreams() {
  for (int Descriptor = 0; Descriptor <= 2; ++Descriptor) {
    if (::fcntl(Descriptor, F_GETFD) != -1 || errno != EBADF) continue;
    // open returns the lowest free number: this one, as the lower ones are open by now.
    const int Opened = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (Opened != Descriptor && Opened >= 0) ::close(Opened);
  }
}

void ExitProcess(int ACode) { std::exit(ACode); }

TChildProcess::TChildProcess(const std::string& AProgram, const std::vector<std::string>& AArguments,
                             const TEnvironment& AExtraEnvironment) {
  std::vector<std::string> Arguments{NativePath(AProgram)};
  Arguments.insert(Arguments.end(), AArguments.begin(), AArguments.end());
  std::vector<std::string> Environment = MergedEnvironment(AExtraEnvironment);
  std::vector<char*> ArgumentPointers = Pointers(Arguments), EnvironmentPointers = Pointers(Environment);
  pid_t ProcessId = -1;
  int Error = ::posix_spawn(&ProcessId, Arguments.front().c_str(), nullptr, nullptr, ArgumentPointers.data(),
                            EnvironmentPointers.data());
  if (Error != 0) RaiseOSError(Error, AProgram);
  FProcessId = ProcessId;
}

TChildProcess::~TChildProcess() {
  if (FExitCode || FProcessId < 0) return;
  ::kill(FProcessId, SIGKILL);
  int Status = 0;
  while (::waitpid(FProcessId, &Status, 0) < 0 && errno == EINTR) {
  }
}

int TChildProcess::Wait() {
  if (FExitCode) return *FExitCode;
  int Status = 0;
  while (::waitpid(FProcessId, &Status, 0) < 0)
    if (errno != EINTR) RaiseOSError(errno);
  FExitCode = DecodeStatus(Status);
  return *FExitCode;
}

std::optional<int> TChildProcess::TryWait() {
  if (FExitCode) return FExitCode;
  int Status = 0;
  pid_t Result = ::waitpid(FProcessId, &Status, WNOHANG);
  if (Result < 0) RaiseOSError(errno);
  if (Result == 0) return std::nullopt;
  FExitCode = DecodeStatus(Status);
  return FExitCode;
}

}  // namespace Quellit::Platform
