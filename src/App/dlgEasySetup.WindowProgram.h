// The wizard as a window program: the toolkit's application object, the window, its message loop.
#pragma once

#include "App/dlgEasySetup.CommandLine.h"

namespace Quellit {

// The toolkit's own texts (the context menus of the text panes, standard buttons) in Russian, as
// the rest of the interface is, whatever the user's locale; false when the toolkit's Russian
// translation is not installed. Needs the application object.
bool InstallRussianToolkitTexts();

// Runs the wizard's window until it closes; 0 also when the product client runs (the warning was
// shown and the window never appeared); 1 when no display can be opened or an
// interrupted update could not be undone, 6 when another update of this product runs. The start-up steps must
// have run. Of the command line, LogFile gets the status log appended, and TourFolder lets the
// window walk itself through its pages and save a picture of each there.
int RunWindow(int& AArgc, char** AArgv, const TCommandLine& ACommandLine);

}  // namespace Quellit
