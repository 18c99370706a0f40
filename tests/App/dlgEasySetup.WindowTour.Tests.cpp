#include "App/dlgEasySetup.WindowTour.h"

#include <gtest/gtest.h>

#include <QImage>

#include "Platform/Process.h"
#include "WizardSandbox.h"

namespace Quellit {
namespace {

using Testing::TScratchFolder;
using Testing::TWizardSandbox;

// The program as make demo-xvfb starts it: the window walks itself through the pages of a real
// update, saves a picture of each and ends; --log records the status log in window mode too.
TEST(QuellitSetupWindowTour, WalksEveryPageSavesTheirPicturesAndLogs) {
  TWizardSandbox Sandbox;
  Sandbox.WriteProduct(1, "Docs/readme.txt", "old");
  Sandbox.WritePayload(1, "Docs/readme.txt", "new");
  std::string Pictures = Sandbox.Scratch() / "pictures";
  std::string Log = Sandbox.Scratch() / "setup.log";
  Platform::TChildProcess Setup(
      QUELLIT_SETUP, {"--setup-dir", Sandbox.Product().ProgramFolder(), "--log", Log, "--tour", Pictures},
      {{"QT_QPA_PLATFORM", "offscreen"}, {"LC_ALL", "ru_RU.UTF-8"}});
  ASSERT_EQ(Setup.Wait(), 0);
  EXPECT_EQ(Sandbox.ReadProduct(1, "Docs/readme.txt"), "new");
  for (const char* Page : {"1-welcome", "2-copy-finished", "3-shortcuts", "4-connections", "5-done"}) {
    QImage Picture(QString::fromStdString(Pictures + "/" + Page + ".png"));
    EXPECT_EQ(Picture.size(), QSize(694, 497)) << Page;
  }
  EXPECT_FALSE(std::filesystem::exists(Pictures + "/6-closed.png"));
  std::string Logged = TScratchFolder::Read(Log);
  EXPECT_NE(Logged.find("Файл \"Docs/readme.txt\" обновлен.\n"), std::string::npos) << Logged;
  EXPECT_TRUE(Logged.ends_with("Для продолжения нажмите \"Далее>\"\n")) << Logged;
}

}  // namespace
}  // namespace Quellit
