// The wizard run from a shell: `quellit-setup --unattended [--log FILE] [-portable]`, or only the
// recovery of an interrupted run (`--recover`), or only the plan (`--dry-run`).
#pragma once

#include <iosfwd>

#include "App/dlgEasySetup.CommandLine.h"

namespace Quellit {

enum TUnattendedExitCode {
  ueDone = 0,
  ueError = 1,
  ueNotInstalled = 2,
  ueClientRunning = 3,
  ueCancelled = 4,
  ueEntriesFailed = 5,  // done, but some entries were not updated (named on standard error)
  ueAnotherUpdate = 6,  // another update of this product is running
  ueUsage = 64          // a mistake on the command line (sysexits' usage error)
};

// Runs every page with its defaults, pre-checks from settings.ini applied and nothing asked. A
// SIGINT or SIGTERM before the closing page is a confirmed cancel: the update is rolled back and
// the status is ueCancelled; on the closing page the update is complete and the signal only ends
// the run. The start-up steps must have run.
int RunUnattended(const TCommandLine& ACommandLine, std::ostream& AOut, std::ostream& AErr);

}  // namespace Quellit
