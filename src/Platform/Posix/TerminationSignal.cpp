#include "Platform/TerminationSignal.h"

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

void RaiseTerminationSignal() {
  if (::raise(SIGTERM) != 0) RaiseOSError(errno);
}

}  // namespace Quellit::Platform
