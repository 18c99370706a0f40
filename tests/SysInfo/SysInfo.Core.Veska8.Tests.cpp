#include "SysInfo/SysInfo.Core.Veska8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Support/PathText.h"
#include "SysInfo/ProductSandbox.h"
#include "SysInfo/SysInfo.Core.VeskaCurrent.h"

namespace Quellit {
namespace {

using Testing::TProductSandbox;

struct TConstantsCase {
  const TVeska6Information& Info;
  const char* RegistryKey;
  const char* DisplayName;
  int Major;
  const char* DBaseExtension;
  bool Platform64;
  std::string UserDataFile;
};

TEST(TVeska8Information, EditionConstants) {
  TProductSandbox Sandbox;
  const std::vector<TConstantsCase> Cases = {
      {TVeska6Information::Instance(), "{00A00000-0001-458F-9B85-600000000001}_is1", "Корвел Клиент", 6, ".kvd5",
       false, TVeska6Information::Instance().UserDataFolderSettingFilename()},
      {TVeska8Information32::Instance(), "{00A00000-0001-458F-9B85-800000003201}_is1", "Корвел Клиент (32 бита)", 8,
       ".kvd8", false, TVeska8Information32::Instance().UserDataFolderSettingFilename()},
      {TVeska8Information64::Instance(), "{00A00000-0001-458F-9B85-800000006401}_is1", "Корвел Клиент (64 бита)", 8,
       ".kvd8", true, TVeska8Information64::Instance().UserDataFolderSettingFilename()},
  };
  const std::vector<std::string> UserDataNames = {"UserData.xml", "UserData32.xml", "UserData64.xml"};
  for (std::size_t I = 0; I < Cases.size(); ++I) {
    const TConstantsCase& Case = Cases[I];
    SCOPED_TRACE(Case.DisplayName);
    EXPECT_EQ(Case.Info.RegistryKey(), Case.RegistryKey);
    EXPECT_EQ(Case.Info.ApplicationDisplayName(), Case.DisplayName);
    EXPECT_EQ(Case.Info.ApplicationExeName(), "KVeska.exe");
    EXPECT_EQ(Case.Info.MutexName(), "Korvel_client");
    EXPECT_EQ(Case.Info.MajorVersionDigit(), Case.Major);
    EXPECT_EQ(Case.Info.GetDBaseExtension(), Case.DBaseExtension);
    EXPECT_EQ(Case.Info.PortableRelativePath(), Testing::NativePath("Orvant/Korvel/"));
    EXPECT_EQ(Case.Info.ApplicationPlatform64(), Case.Platform64);
    EXPECT_EQ(Case.UserDataFile, Case.Info.CommonSettingFolder() + UserDataNames[I]);
    EXPECT_EQ(Case.Info.CustomLocalSetting(), "");
    EXPECT_EQ(Case.Info.CustomVeskaPropsFolder(), "");
  }
}

TEST(TVeska8Information, VersionEightOnlyFiles) {
  TProductSandbox Sandbox;
  for (const TVeska8CustomInformation* Info :
       {static_cast<const TVeska8CustomInformation*>(&TVeska8Information32::Instance()),
        static_cast<const TVeska8CustomInformation*>(&TVeska8Information64::Instance())}) {
    EXPECT_EQ(Info->DebugLogFolder(), Testing::NativePath(Sandbox.AppData() + "Orvant/Korvel 8/Client/DebugLog/"));
    EXPECT_EQ(Info->TemplateListVariablesFilename(),
              Testing::NativePath(Sandbox.CommonAppData() + "Orvant/Korvel 8/Client/Templates/ListVariables.xlt"));
  }
}

TEST(TVeska8Information, TheSixtyFourBitEditionReadsTheSixtyFourBitView) {
  TProductSandbox Sandbox;
  const std::string Key = TVeska8Information64::Instance().RegistryKey();
  Sandbox.AddUninstallEntry(Key, false, Testing::AbsoluteSample("/opt/view32"));
  EXPECT_EQ(TVeska8Information64::Instance().InstallFolder(), Testing::NativePath("/Client/"));
  Sandbox.AddUninstallEntry(Key, true, Testing::AbsoluteSample("/opt/view64"));
  EXPECT_EQ(TVeska8Information64::Instance().InstallFolder(), Testing::AbsoluteSample("/opt/view64/Client/"));
}

// A site's own edition: the machine-wide data moved, everything built on it follows.
class TRelocatedInformation : public TVeska8Information32 {
 public:
  std::string CommonDataFolder() const override { return Testing::AbsoluteSample("/srv/korvel/"); }
};

TEST(TVeska8Information, OverridingOneOperationMovesEverythingBuiltOnIt) {
  TProductSandbox Sandbox;
  TRelocatedInformation Info;
  EXPECT_EQ(Info.DBaseFolder(), Testing::AbsoluteSample("/srv/korvel/Data/"));
  EXPECT_EQ(Info.NormBasesFolder(), Testing::AbsoluteSample("/srv/korvel/Data/"));
  EXPECT_EQ(Info.LocalSetting(), Testing::AbsoluteSample("/srv/korvel/LocalSetting/"));
  EXPECT_EQ(Info.TemplateListVariablesFilename(), Testing::AbsoluteSample("/srv/korvel/Templates/ListVariables.xlt"));
  EXPECT_EQ(Info.RootNetworkIniPath(), Testing::AbsoluteSample("/srv/korvel/onclient.ini"));
  EXPECT_EQ(Info.AppDataFolder(), TVeska8Information32::Instance().AppDataFolder());
  EXPECT_EQ(Info.ApplicationDisplayName(), "Корвел Клиент (32 бита)");
}

TEST(VeskaCurrent, IsTheThirtyTwoBitVersionEight) {
  EXPECT_EQ(&VeskaCurrent(), &TVeska8Information32::Instance());
}

}  // namespace
}  // namespace Quellit
