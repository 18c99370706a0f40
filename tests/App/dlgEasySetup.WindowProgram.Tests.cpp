#include "App/dlgEasySetup.WindowProgram.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLibraryInfo>

#include "Platform/File.h"
#include "Platform/Process.h"
#include "WizardSandbox.h"

namespace Quellit {
namespace {

using Testing::TWizardSandbox;

// quellit-setup without --unattended and without a usable display fails plainly (status 1)
// instead of aborting inside the toolkit.
TEST(QuellitSetupWindow, WithoutADisplayTheProgramEndsWithStatusOne) {
  TWizardSandbox Sandbox;
  const std::vector<std::pair<const char*, Platform::TChildProcess::TEnvironment>> Cases = {
      {"no display named", {{"QT_QPA_PLATFORM", ""}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}},
      {"a display nobody serves", {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":4711"}, {"WAYLAND_DISPLAY", ""}}},
  };
  for (const auto& [Name, Environment] : Cases) {
    Platform::TChildProcess Setup(QUELLIT_SETUP, {"--setup-dir", Sandbox.Product().ProgramFolder()}, Environment);
    EXPECT_EQ(Setup.Wait(), 1) << Name;
  }
}

// The toolkit's own texts (the text panes' context menus) follow the Russian interface.
TEST(QuellitSetupWindow, TheToolkitsOwnTextsAreRussianWhenItsTranslationIsInstalled) {
  std::string Translation =
      QLibraryInfo::path(QLibraryInfo::TranslationsPath).toStdString() + "/qtbase_ru.qm";
  if (!Platform::FileExists(Translation)) GTEST_SKIP() << Translation << " is not installed";
  ASSERT_TRUE(InstallRussianToolkitTexts());
  EXPECT_EQ(QCoreApplication::translate("QWidgetTextControl", "&Copy").toStdString(), "&Копировать");
  EXPECT_TRUE(InstallRussianToolkitTexts());  // once is enough; a second call changes nothing
}

}  // namespace
}  // namespace Quellit
