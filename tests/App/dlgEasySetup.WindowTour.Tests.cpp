#include "App/dlgEasySetup.WindowTour.h"

#include <gtest/gtest.h>

#include <QImage>

#include "Platform/Process.h"
#include "WizardSandbox.h"

namespace Quellit {
namespace {

using Testing::TScratchFolder;
using Testing::TWizardSandbox;

struct TTourCase {
  const char* Name;
  const char* ScaleFactor;  // QT_SCALE_FACTOR, "" for none
  QSize Pixels;             // the device pixels of one page picture
};

// The program as make demo-xvfb starts it: the window walks itself through the pages of a real
// update, saves a picture of each (at the screen's pixel ratio) and ends; --log records the status
// log in window mode too. The pictures stay under the build folder for a person to look at.
TEST(QuellitSetupWindowTour, WalksEveryPageSavesTheirPicturesAndLogs) {
  const std::vector<TTourCase> Cases = {{"tour-1x", "", {694, 497}}, {"tour-2x", "2", {1388, 994}}};
  for (const TTourCase& Case : Cases) {
    TWizardSandbox Sandbox;
    Sandbox.WriteProduct(1, "Docs/readme.txt", "old");
    Sandbox.WritePayload(1, "Docs/readme.txt", "new");
    std::string Pictures = std::string(QUELLIT_SCREENSHOTS) + "/" + Case.Name;
    std::filesystem::remove_all(Pictures);
    std::string Log = Sandbox.Scratch() / "setup.log";
    std::vector<std::pair<std::string, std::string>> Environment = {{"QT_QPA_PLATFORM", "offscreen"},
                                                                    {"LC_ALL", "ru_RU.UTF-8"}};
    if (*Case.ScaleFactor) Environment.emplace_back("QT_SCALE_FACTOR", Case.ScaleFactor);
    Platform::TChildProcess Setup(
        QUELLIT_SETUP, {"--setup-dir", Sandbox.Product().ProgramFolder(), "--log", Log, "--tour", Pictures},
        Environment);
    ASSERT_EQ(Setup.Wait(), 0) << Case.Name;
    EXPECT_EQ(Sandbox.ReadProduct(1, "Docs/readme.txt"), "new") << Case.Name;
    for (const char* Page :
         {"1-welcome", "1-welcome-question", "2-copy-finished", "3-shortcuts", "4-connections", "5-done"}) {
      QImage Picture(QString::fromStdString(Pictures + "/" + Page + ".png"));
      EXPECT_EQ(Picture.size(), Case.Pixels) << Case.Name << " " << Page;
    }
    // The question was answered with its default: the tour went on.
    EXPECT_NE(QImage(QString::fromStdString(Pictures + "/1-welcome-question.png")),
              QImage(QString::fromStdString(Pictures + "/1-welcome.png")))
        << Case.Name;
    EXPECT_FALSE(std::filesystem::exists(Pictures + "/6-closed.png")) << Case.Name;
    std::string Logged = TScratchFolder::Read(Log);
    EXPECT_NE(Logged.find("Файл \"Docs/readme.txt\" обновлен.\n"), std::string::npos) << Logged;
    EXPECT_TRUE(Logged.ends_with("Для продолжения нажмите \"Далее>\"\n")) << Logged;
  }
}

}  // namespace
}  // namespace Quellit
