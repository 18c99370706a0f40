// The wizard's real window over the real controller, on screen (offscreen platform) in a product
// sandbox, with the user's mouse simulated and message boxes answered from a script.
#pragma once

#include <filesystem>
#include <string>

#include <QLabel>
#include <QTest>

#include "App/AppStartup.h"
#include "App/dlgEasySetup.Window.h"
#include "App/dlgEasySetup.h"
#include "MessageBoxScript.h"

namespace Quellit::Testing {

struct TWindowRun {
  // The program runs the libraries' start-up steps before it creates the window.
  TStartupScope Startup;
  TMessageBoxScript Boxes;
  TEasySetupWindow Window;
  bool Created = false;

  TWindowRun() {
    Created = Window.Form().FormCreate();
    if (!Created) return;
    Window.show();
    [[maybe_unused]] bool Exposed = QTest::qWaitForWindowExposed(&Window);
  }

  TfrmEasySetup& Form() const { return Window.Form(); }
  QWidget* Control(TEasySetupControl AControl) const { return Window.Control(AControl); }
  bool Shown(TEasySetupControl AControl) const { return Control(AControl)->isVisible(); }
  QLabel* Picture(TEasySetupControl AControl) const { return qobject_cast<QLabel*>(Control(AControl)); }

  // A left click on the middle of a button's picture, as a user presses and releases it.
  void Click(TEasySetupControl APicture) {
    QWidget* Picture = Control(APicture);
    QTest::mouseClick(Picture, Qt::LeftButton, {}, Picture->rect().center());
  }
  void Next() { Click(ctlImage3); }
  void Cancel() { Click(ctlImage2); }

  // The window as the user sees it now, saved as PNG under the build folder.
  void Screenshot(const std::string& AName) {
    QCoreApplication::processEvents();
    std::filesystem::create_directories(QUELLIT_SCREENSHOTS);
    Window.grab().save(QString::fromStdString(std::string(QUELLIT_SCREENSHOTS) + "/" + AName + ".png"));
  }
};

}  // namespace Quellit::Testing
