#include "App/dlgEasySetup.WindowProgram.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace Quellit
