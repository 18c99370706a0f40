#include "Platform/TerminationSignal.h"

#include <atomic>

#include "Platform/Win32/SystemCall.h"

namespace Quellit::Platform {
namespace {

std::atomic<bool> Requested{false};

// Manual-reset, so every waiter wakes and a request made before the wait is not missed; made
// once and kept for the process's life (a handler may run on a system thread at any time).
HANDLE RequestEvent() {
  static const HANDLE Event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return Event;
}

BOOL WINAPI OnConsoleEvent(DWORD AEvent) {
  switch (AEvent) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      Requested = true;
      ::SetEvent(RequestEvent());
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // The console is going away: the system ends the process once this handler returns, so it
      // does not return; the main thread finishes the step it is in (the system still ends the
      // process after its own grace period).
      Requested = true;
      ::SetEvent(RequestEvent());
      ::Sleep(INFINITE);
      return TRUE;
    default: return FALSE;
  }
}

DWORD WINAPI DeliverBreak(LPVOID) { return OnConsoleEvent(CTRL_BREAK_EVENT) ? 0 : 1; }

}  // namespace

// Ctrl+C, Ctrl+Break and closing the console window (or the session ending) only set the request.
void CatchTerminationSignals() {
  if (!RequestEvent()) RaiseOSError(static_cast<int>(::GetLastError()));
  // Once: the system would call a handler added twice twice.
  static std::atomic<bool> Installed{false};
  if (Installed.exchange(true)) return;
  if (!::SetConsoleCtrlHandler(OnConsoleEvent, TRUE)) {
    Installed = false;
    RaiseOSError(static_cast<int>(::GetLastError()));
  }
}

bool TerminationRequested() { return Requested; }

void ClearTerminationRequest() {
  Requested = false;
  if (HANDLE Event = RequestEvent()) ::ResetEvent(Event);
}

void WaitForTerminationRequest() {
  HANDLE Event = RequestEvent();
  if (!Event) RaiseOSError(static_cast<int>(::GetLastError()));
  while (!Requested)
    if (::WaitForSingleObject(Event, INFINITE) == WAIT_FAILED) RaiseOSError(static_cast<int>(::GetLastError()));
}

// The system delivers a console event on a thread of its own; so does this. A console event sent
// through the console itself would reach every process attached to it, the caller's parent too.
void RaiseTerminationSignal() {
  HANDLE Started = ::CreateThread(nullptr, 0, DeliverBreak, nullptr, 0, nullptr);
  if (!Started) RaiseOSError(static_cast<int>(::GetLastError()));
  TScopedKernelHandle Thread(Started);
  ::WaitForSingleObject(Thread.Get(), INFINITE);
}

}  // namespace Quellit::Platform
