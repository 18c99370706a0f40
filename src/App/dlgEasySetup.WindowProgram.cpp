#include "App/dlgEasySetup.WindowProgram.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>

#include "App/dlgEasySetup.Window.h"
#include "App/dlgEasySetup.WindowTour.h"
#include "App/dlgEasySetup.h"
#include "Platform/Display.h"
#include "Platform/Environment.h"

namespace Quellit {

namespace {

const char* const NoDisplayHint = "run it with --unattended to update without a window";

bool DisplayNamed() {
  // A platform chosen explicitly (offscreen, xcb under xvfb-run) is the caller's decision.
  return !Platform::GetEnvOr("QT_QPA_PLATFORM", "").empty() || Platform::HasGraphicalDisplay();
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

bool InstallRussianToolkitTexts() {
  static QTranslator Translator;
  static const bool Loaded =
      Translator.load(QLocale(QLocale::Russian, QLocale::Russia), "qtbase", "_",
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
      QCoreApplication::installTranslator(&Translator);
  return Loaded;
}

int RunWindow(int& AArgc, char** AArgv, const TCommandLine& ACommandLine) {
  if (!DisplayNamed()) {
    std::fprintf(stderr, "quellit-setup: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); %s\n",
                 NoDisplayHint);
    return 1;
  }
  QtMessageHandler Previous = qInstallMessageHandler(FatalWhileOpeningDisplay);
  QApplication Application(AArgc, AArgv);
  qInstallMessageHandler(Previous);
  // Without the translation the message boxes are still Russian; only menus of the text panes
  // would speak English.
  InstallRussianToolkitTexts();

  TEasySetupWindow Window;
  if (ACommandLine.LogFile) Window.SetLogFile(*ACommandLine.LogFile);
  // A running client ends the program with 0, as it always did; another update running, or an
  // interrupted one that could not be undone, are failures to start.
  if (!Window.Form().FormCreate()) {
    TStartRefusal Refusal = Window.Form().StartRefusal;
    return Refusal == srAnotherUpdate ? 6 : Refusal == srRecoveryFailed ? 1 : 0;
  }
  Window.show();
  if (ACommandLine.TourFolder) StartWindowTour(Window, *ACommandLine.TourFolder);
  return QApplication::exec();
}

}  // namespace Quellit
