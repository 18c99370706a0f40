// The wizard run from a shell: `quellit-setup --unattended [--log FILE] [-portable]`, or only the
// recovery of an interrupted run (`--recover`), or only the plan (`--dry-run`).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace Quellit {

enum TUnattendedExitCode {
  ueDone = 0,
  ueError = 1,
  ueNotInstalled = 2,
  ueClientRunning = 3,
  ueCancelled = 4,
  ueEntriesFailed = 5,   // done, but some entries were not updated (named on standard error)
  ueAnotherUpdate = 6    // another update of this product is running
};

// Runs every page as if both tree pages were switched off in settings.ini. The start-up steps must
// have run. AArguments are the program's arguments after "--setup-dir" was taken out.
int RunUnattended(const std::vector<std::string>& AArguments, std::ostream& AOut, std::ostream& AErr);

}  // namespace Quellit
