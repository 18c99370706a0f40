#include "Platform/ShellOpen.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "Platform/Environment.h"
#include "Platform/NativeName.h"
#include "Platform/Posix/SystemCall.h"
#include "Platform/SystemError.h"

extern char** environ;

namespace Quellit::Platform {
namespace {

// Owns the spawn attributes so every exit path releases them.
struct TSpawnActions {
  posix_spawn_file_actions_t Actions;
  TSpawnActions() { posix_spawn_file_actions_init(&Actions); }
  ~TSpawnActions() { posix_spawn_file_actions_destroy(&Actions); }
  TSpawnActions(const TSpawnActions&) = delete;
  TSpawnActions& operator=(const TSpawnActions&) = delete;
};

int WaitForExit(pid_t AProcessId) {
  int Status = 0;
  if (RetryOnInterrupt([&] { return ::waitpid(AProcessId, &Status, 0); }) < 0) RaiseOSError(errno);
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : ECHILD;
}

}  // namespace

void OpenWithDefaultApplication(const std::string& APath) {
  std::string Opener = GetEnvOr(OpenerVariable, "xdg-open");
  // The opener is handed the bytes on disk, or it would look for another name.
  std::string Path = NativePath(APath);
  std::vector<char*> Arguments = {Opener.data(), Path.data(), nullptr};
  // The opener must not write into our output or read our input, and must outlive us quietly.
  TSpawnActions Spawn;
  for (int Stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
    posix_spawn_file_actions_addopen(&Spawn.Actions, Stream, "/dev/null", Stream == STDIN_FILENO ? O_RDONLY : O_WRONLY, 0);
  // An intermediate child starts the opener in a new session and ends at once: the opener is
  // adopted by init, so it is never left as a zombie of ours, and the spawn error still reaches us.
  pid_t Intermediate = ::fork();
  if (Intermediate < 0) RaiseOSError(errno, Opener);
  if (Intermediate == 0) {
    ::setsid();
    pid_t Ignored = 0;
    _exit(::posix_spawnp(&Ignored, Opener.c_str(), &Spawn.Actions, nullptr, Arguments.data(), environ));
  }
  int Error = WaitForExit(Intermediate);
  if (Error != 0) RaiseOSError(Error, Opener);
}

}  // namespace Quellit::Platform
