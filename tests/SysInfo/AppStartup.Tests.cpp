#include "App/AppStartup.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Support/PathText.h"
#include "SysInfo/ProductSandbox.h"
#include "SysInfo/SysInfo.Core.Veska8.h"

namespace Quellit {
namespace {

using Testing::TProductSandbox;
namespace fs = std::filesystem;

class AppStartupTest : public testing::Test {
 protected:
  void TearDown() override { RunShutdownSteps(); }

  // A user-data file of the edition that moves its local settings to AFolder.
  template <class TEdition>
  std::string MoveLocalSettings(const TEdition& AInfo, const std::string& AFolder) {
    fs::create_directories(Sandbox.Scratch() / AFolder);
    Sandbox.Scratch().Write(Testing::RelativeUtf8(AInfo.UserDataFolderSettingFilename(), Sandbox.Scratch().Path()),
                            "<UserData LocalSetting=\"" + Sandbox.Scratch() / AFolder + "\"/>");
    return Testing::NativePath(Sandbox.Scratch() / (AFolder + "/"));
  }

  TProductSandbox Sandbox;
};

TEST_F(AppStartupTest, EveryEditionTakesItsOverridesOnceUntilShutdown) {
  const auto& Info6 = TVeska6Information::Instance();
  const auto& Info32 = TVeska8Information32::Instance();
  const auto& Info64 = TVeska8Information64::Instance();
  std::string Local6 = MoveLocalSettings(Info6, "Local6");
  std::string Local32 = MoveLocalSettings(Info32, "Local32");
  std::string Local64 = MoveLocalSettings(Info64, "Local64");
  {
    TStartupScope Startup;
    EXPECT_EQ(Info6.LocalSetting(), Local6);
    EXPECT_EQ(Info32.LocalSetting(), Local32);
    EXPECT_EQ(Info64.LocalSetting(), Local64);
    // Read once: a later change of the file waits for the next start.
    MoveLocalSettings(Info32, "Elsewhere");
    RunStartupSteps();
    EXPECT_EQ(Info32.LocalSetting(), Local32);
  }
  EXPECT_EQ(Info6.CustomLocalSetting(), "");
  EXPECT_EQ(Info32.CustomLocalSetting(), "");
  EXPECT_EQ(Info64.CustomLocalSetting(), "");
  RunStartupSteps();
  EXPECT_EQ(Info32.LocalSetting(), Testing::NativePath(Sandbox.Scratch() / "Elsewhere/"));
}

TEST_F(AppStartupTest, ShutdownWithoutStartIsHarmless) {
  EXPECT_NO_THROW(RunShutdownSteps());
  EXPECT_NO_THROW(RunShutdownSteps());
}

}  // namespace
}  // namespace Quellit
