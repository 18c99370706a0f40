#include "App/dlgEasySetup.WindowTour.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "App/dlgEasySetup.Window.h"
#include "App/dlgEasySetup.h"
#include "Platform/Folder.h"
#include "Platform/Path.h"

namespace Quellit {

namespace {

const char* const PageNames[] = {"welcome", "copy-finished", "shortcuts", "connections", "done", "closed"};
// More presses than pages: the tour ends even if a page were to refuse Next.
constexpr int MaxPresses = 8;

void SavePicture(TEasySetupWindow& AWindow, const std::string& AFolder, int AStep) {
  QCoreApplication::processEvents();
  std::string Name = std::to_string(AStep) + "-" + PageNames[AWindow.Form().FPageState] + ".png";
  if (!AWindow.grab().save(QString::fromStdString(AFolder + Name)))
    std::fprintf(stderr, "quellit-setup: could not save %s%s\n", AFolder.c_str(), Name.c_str());
}

// Nobody is there to answer: every box is reported on standard error and gets its default.
void AnswerBoxesWithTheirDefault(TEasySetupWindow& AWindow) {
  auto* Timer = new QTimer(&AWindow);
  QObject::connect(Timer, &QTimer::timeout, [] {
    auto* Box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!Box || !Box->isVisible() || !Box->defaultButton()) return;
    std::fprintf(stderr, "%s: %s\n", Box->windowTitle().toUtf8().constData(), Box->text().toUtf8().constData());
    Box->defaultButton()->click();
  });
  Timer->start(200);
}

void Tour(TEasySetupWindow& AWindow, const std::string& AFolder) {
  for (int Step = 1; Step <= MaxPresses && AWindow.isVisible(); ++Step) {
    SavePicture(AWindow, AFolder, Step);
    AWindow.Form().Image3Click();
  }
  // A tour that did not reach the end still ends: nobody is there to answer the close question.
  AWindow.Form().CloseStatus = true;
  AWindow.close();
}

}  // namespace

void StartWindowTour(TEasySetupWindow& AWindow, const std::string& AFolder) {
  std::string Folder = Platform::IncludeTrailingPathDelimiter(AFolder);
  Platform::ForceDirectories(Folder);
  AnswerBoxesWithTheirDefault(AWindow);
  QTimer::singleShot(500, &AWindow, [&AWindow, Folder] { Tour(AWindow, Folder); });
}

}  // namespace Quellit
