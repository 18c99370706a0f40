// The wizard as a window program: the toolkit's application object, the window, its message loop.
#pragma once

#include "App/dlgEasySetup.CommandLine.h"

namespace Quellit {

// Runs the wizard's window until it closes; 0 also when the product client runs (the warning was
// shown and the window never appeared); 1 when no display can be opened. The start-up steps must
// have run. Of the command line, LogFile gets the status log appended, and TourFolder lets the
// window walk itself through its pages and save a picture of each there.
int RunWindow(int& AArgc, char** AArgv, const TCommandLine& ACommandLine);

}  // namespace Quellit
