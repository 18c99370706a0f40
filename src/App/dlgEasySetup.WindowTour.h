// The window walking itself through the wizard, for demonstrations without a person at the
// keyboard (make demo-xvfb): it presses Next on every page, answers each message box with its
// default button, and saves a picture of each page it passes, at the screen's pixel ratio. On the
// welcome page it also presses Cancel and saves the window with the close question over it.
#pragma once

#include <string>

namespace Quellit {

class TEasySetupWindow;

// Starts the tour once the event loop runs; the window closes itself at the end. Pictures are
// written to AFolder as "<n>-<page>.png", the question as "1-welcome-question.png".
void StartWindowTour(TEasySetupWindow& AWindow, const std::string& AFolder);

}  // namespace Quellit
