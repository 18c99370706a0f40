// The wizard as a window program: the toolkit's application object, the window, its message loop.
#pragma once

#include <string>
#include <vector>

namespace Quellit {

// Runs the wizard's window until it closes; 0 also when the product client runs (the warning was
// shown and the window never appeared); 1 when no display can be opened. The start-up steps must
// have run. AArguments are the program's arguments after "--setup-dir" was taken out; "--log FILE"
// appends the status log to FILE, "--tour DIR" lets the window walk itself through its pages
// and save a picture of each into DIR.
// The toolkit's own texts (the context menus of the text panes, standard buttons) in Russian, as
// the rest of the interface is, whatever the user's locale; false when the toolkit's Russian
// translation is not installed. Needs the application object.
bool InstallRussianToolkitTexts();

int RunWindow(int& AArgc, char** AArgv, const std::vector<std::string>& AArguments);

}  // namespace Quellit
