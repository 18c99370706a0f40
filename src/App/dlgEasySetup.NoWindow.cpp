// The wizard's program where its window is not built (the Windows build, for now): only the
// unattended front end runs, and a start without --unattended says so instead of doing nothing.
#include <iostream>

#include "App/dlgEasySetup.Unattended.h"
#include "App/dlgEasySetup.WindowProgram.h"

namespace Quellit {

bool InstallRussianToolkitTexts() { return false; }

int RunWindow(int& /*AArgc*/, char** /*AArgv*/, const TCommandLine& /*ACommandLine*/) {
  std::cerr << "quellit-setup: this build has no window; start it with --unattended\n\n"
            << CommandLineUsage() << std::flush;
  return ueUsage;
}

}  // namespace Quellit
