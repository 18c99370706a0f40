#include "App/dlgEasySetup.WindowProgram.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "App/dlgEasySetup.Window.h"
#include "App/dlgEasySetup.WindowTour.h"
#include "App/dlgEasySetup.h"
#include "Platform/Environment.h"

namespace Quellit {

namespace {

const char* const NoDisplayHint = "run it with --unattended to update without a window";

bool DisplayNamed() {
  // A platform chosen explicitly (offscreen, xcb under xvfb-run) is the caller's decision.
  for (const char* Name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
    if (!Platform::GetEnvOr(Name, "").empty()) return true;
  return false;
}

// The toolkit ends the process with an abort when its display cannot be opened; the user gets a
// plain message and the exit status of a failed run instead.
void FatalWhileOpeningDisplay(QtMsgType AType, const QMessageLogContext&, const QString& AMessage) {
  std::fprintf(stderr, "%s\n", AMessage.toLocal8Bit().constData());
  if (AType != QtFatalMsg) return;
  std::fprintf(stderr, "quellit-setup: no display could be opened; %s\n", NoDisplayHint);
  std::fflush(stderr);
  std::_Exit(1);
}

}  // namespace

int RunWindow(int& AArgc, char** AArgv, const TCommandLine& ACommandLine) {
  if (!DisplayNamed()) {
    std::fprintf(stderr, "quellit-setup: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); %s\n",
                 NoDisplayHint);
    return 1;
  }
  QtMessageHandler Previous = qInstallMessageHandler(FatalWhileOpeningDisplay);
  QApplication Application(AArgc, AArgv);
  qInstallMessageHandler(Previous);

  TEasySetupWindow Window;
  if (ACommandLine.LogFile) Window.SetLogFile(*ACommandLine.LogFile);
  if (!Window.Form().FormCreate()) return 0;
  Window.show();
  if (ACommandLine.TourFolder) StartWindowTour(Window, *ACommandLine.TourFolder);
  return QApplication::exec();
}

}  // namespace Quellit
