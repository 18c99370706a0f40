#include "Platform/TerminationSignal.h"

#include <pthread.h>
#include <signal.h>

#include <cerrno>

#include "Platform/SystemError.h"

namespace Quellit::Platform {

namespace {

volatile sig_atomic_t Requested = 0;

extern "C" void OnTerminationSignal(int) { Requested = 1; }

}  // namespace

void CatchTerminationSignals() {
  struct sigaction Action {};
  Action.sa_handler = OnTerminationSignal;
  sigemptyset(&Action.sa_mask);
  // Interrupted reads and writes resume, so a signal never fails a file operation.
  Action.sa_flags = SA_RESTART;
  for (int Signal : {SIGINT, SIGTERM})
    if (::sigaction(Signal, &Action, nullptr) != 0) RaiseOSError(errno);
}

bool TerminationRequested() { return Requested != 0; }

void ClearTerminationRequest() { Requested = 0; }

void WaitForTerminationRequest() {
  // Blocked while the flag is tested and released only inside sigsuspend, so a signal arriving
  // between the test and the sleep cannot be missed.
  sigset_t Blocked, Previous;
  sigemptyset(&Blocked);
  sigaddset(&Blocked, SIGINT);
  sigaddset(&Blocked, SIGTERM);
  if (::pthread_sigmask(SIG_BLOCK, &Blocked, &Previous) != 0) RaiseOSError(errno);
  sigset_t Waiting = Previous;
  sigdelset(&Waiting, SIGINT);
  sigdelset(&Waiting, SIGTERM);
  while (!Requested) ::sigsuspend(&Waiting);
  ::pthread_sigmask(SIG_SETMASK, &Previous, nullptr);
}

void RaiseTerminationSignal() {
  if (::raise(SIGTERM) != 0) RaiseOSError(errno);
}

}  // namespace Quellit::Platform
