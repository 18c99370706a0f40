// A request to stop from outside (Ctrl+C, or the system asking the process to end), noticed by a
// long step at its next poll instead of killing the process half-way through a file.
#pragma once

namespace Quellit::Platform {

// From now on SIGINT and SIGTERM only set the request; on Windows Ctrl+C, Ctrl+Break and the
// console's close, logoff and shutdown events.
void CatchTerminationSignals();
bool TerminationRequested();
void ClearTerminationRequest();
// Sleeps until a request arrives (at once when one is pending); CatchTerminationSignals first.
void WaitForTerminationRequest();
// Sends the process itself a termination signal, as the system would.
void RaiseTerminationSignal();

}  // namespace Quellit::Platform
