// The window walking itself through the wizard, for demonstrations without a person at the
// keyboard (make demo-xvfb): it presses Next on every page, answers each message box with its
// default button, and saves a picture of each page it passes.
#pragma once

#include <string>

namespace Quellit {

class TEasySetupWindow;

// Starts the tour once the event loop runs; the window closes itself at the end. Pictures are
// written to AFolder as "<n>-<page>.png".
void StartWindowTour(TEasySetupWindow& AWindow, const std::string& AFolder);

}  // namespace Quellit
