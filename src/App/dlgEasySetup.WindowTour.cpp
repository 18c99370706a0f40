#include "App/dlgEasySetup.WindowTour.h"

#include <QApplication>
#include <QMessageBox>
#include <QPainter>
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

// The name of the picture of the box being shown, "" when that box needs no picture.
std::string BoxPictureName;

std::string PageFileName(TEasySetupWindow& AWindow, int AStep, const char* ASuffix = "") {
  return std::to_string(AStep) + "-" + PageNames[AWindow.Form().FPageState] + ASuffix + ".png";
}

// The picture keeps the device pixels of the screen (twice the size at a ratio of 2).
void Save(const QPixmap& APicture, const std::string& AFolder, const std::string& AName) {
  if (!APicture.save(QString::fromStdString(AFolder + AName)))
    std::fprintf(stderr, "quellit-setup: could not save %s%s\n", AFolder.c_str(), AName.c_str());
}

void SavePicture(TEasySetupWindow& AWindow, const std::string& AFolder, int AStep) {
  QCoreApplication::processEvents();
  Save(AWindow.grab(), AFolder, PageFileName(AWindow, AStep));
}

// The window with the box over it where it stands, as a person sees them.
QPixmap WindowWithBox(TEasySetupWindow& AWindow, QMessageBox& ABox) {
  QPixmap Picture = AWindow.grab();
  QPainter Painter(&Picture);
  Painter.drawPixmap(ABox.mapToGlobal(QPoint(0, 0)) - AWindow.mapToGlobal(QPoint(0, 0)), ABox.grab());
  return Picture;
}

// Nobody is there to answer: every box is reported on standard error and gets its default.
void AnswerBoxesWithTheirDefault(TEasySetupWindow& AWindow, const std::string& AFolder) {
  auto* Timer = new QTimer(&AWindow);
  QObject::connect(Timer, &QTimer::timeout, [&AWindow, AFolder] {
    auto* Box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!Box || !Box->isVisible() || !Box->defaultButton()) return;
    std::fprintf(stderr, "%s: %s\n", Box->windowTitle().toUtf8().constData(), Box->text().toUtf8().constData());
    if (!BoxPictureName.empty()) Save(WindowWithBox(AWindow, *Box), AFolder, BoxPictureName);
    BoxPictureName.clear();
    Box->defaultButton()->click();
  });
  Timer->start(200);
}

void Tour(TEasySetupWindow& AWindow, const std::string& AFolder) {
  for (int Step = 1; Step <= MaxPresses && AWindow.isVisible(); ++Step) {
    SavePicture(AWindow, AFolder, Step);
    if (Step == 1) {
      // The close question of the welcome page, answered with its default, No.
      BoxPictureName = PageFileName(AWindow, Step, "-question");
      AWindow.Form().Image2Click();
    }
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
  AnswerBoxesWithTheirDefault(AWindow, Folder);
  QTimer::singleShot(500, &AWindow, [&AWindow, Folder] { Tour(AWindow, Folder); });
}

}  // namespace Quellit
