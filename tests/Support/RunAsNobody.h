// Runs a piece of a test as the unprivileged user "nobody" in a child process: tests run as root,
// and permissions mean nothing to root.
#pragma once

#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

namespace Quellit::Testing {

constexpr uid_t NobodyId = 65534;

// The child's exit status: ABody's result, 125 when the privileges could not be dropped, 126 when
// ABody threw. -1 when no child could be started.
inline int RunAsNobody(const std::function<int()>& ABody) {
  const pid_t Child = ::fork();
  if (Child < 0) return -1;
  if (Child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(NobodyId) != 0 || ::setuid(NobodyId) != 0) ::_exit(125);
    int Result = 126;
    try {
      Result = ABody();
    } catch (...) {
    }
    ::_exit(Result);
  }
  int Status = 0;
  pid_t Waited;
  do {
    Waited = ::waitpid(Child, &Status, 0);
  } while (Waited < 0 && errno == EINTR);
  return Waited == Child && WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

}  // namespace Quellit::Testing
