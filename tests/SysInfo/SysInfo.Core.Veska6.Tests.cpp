// The folder layout every edition shares, asked of all three editions in a sandbox, normally and
// with the portable switch; the synchronisation of the network client's INI file.
#include "SysInfo/SysInfo.Core.Veska6.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Lib/Common/Common.SysUtils.h"
#include "Support/PathText.h"
#include "SysInfo/ProductSandbox.h"
#include "SysInfo/SysInfo.Core.Veska8.h"

namespace Quellit {
namespace {

using Testing::TProductSandbox;
using Testing::TScratchFolder;
namespace fs = std::filesystem;

struct TEditionCase {
  const char* Name;
  const TVeska6Information& Info;
  const char* DataSuffix;       // under the per-user and the machine-wide roots
  std::string ProductFolder;    // where its uninstall entry points, in the sandbox
};

std::vector<TEditionCase> Editions() {
  return {
      {"version 6", TVeska6Information::Instance(), "Orvant/Korvel 6/Client/", "Product6"},
      {"version 8 32-bit", TVeska8Information32::Instance(), "Orvant/Korvel 8/Client/", "Product32"},
      {"version 8 64-bit", TVeska8Information64::Instance(), "Orvant/Korvel 8/Client/", "Product64"},
  };
}

// Each edition's entry in its own view, and decoys in the other view that must not be read.
void RegisterEditions(TProductSandbox& ASandbox) {
  const Testing::TScratchFolder& Root = ASandbox.Scratch();
  ASandbox.AddUninstallEntry(TVeska6Information::Instance().RegistryKey(), false, Root / "Product6");
  ASandbox.AddUninstallEntry(TVeska8Information32::Instance().RegistryKey(), false, Root / "Product32");
  ASandbox.AddUninstallEntry(TVeska8Information32::Instance().RegistryKey(), true, Root / "Wrong32");
  ASandbox.AddUninstallEntry(TVeska8Information64::Instance().RegistryKey(), true, Root / "Product64");
  ASandbox.AddUninstallEntry(TVeska8Information64::Instance().RegistryKey(), false, Root / "Wrong64");
}

enum TRoot { rInstall, rAppData, rCommonData, rMyRoot };

struct TLayoutCase {
  const char* Name;
  std::function<std::string(const TVeska6Information&)> Get;
  TRoot Root;
  const char* Suffix;
};

#define LAYOUT(Operation, Root, Suffix) \
  { #Operation, [](const TVeska6Information& I) { return I.Operation(); }, Root, Suffix }

const std::vector<TLayoutCase> LayoutCases = {
    LAYOUT(InstallFolder, rInstall, ""),
    LAYOUT(ApplicationPath, rInstall, "KVeska.exe"),
    LAYOUT(AppDataFolder, rAppData, ""),
    LAYOUT(CommonDataFolder, rCommonData, ""),
    LAYOUT(MyFolderRoot, rMyRoot, ""),
    LAYOUT(CommonSettingFolder, rAppData, "Settings/"),
    LAYOUT(CommonSettingFilename, rAppData, "Settings/CommonSetting.xml"),
    LAYOUT(ConnectionOptionsFilename, rAppData, "Settings/Connections.xml"),
    LAYOUT(SessionSettingFilename, rAppData, "Settings/SessionSetting.xml"),
    LAYOUT(RibbonSettingFilename, rAppData, "Settings/Ribbon.xml"),
    LAYOUT(LoginHostSettingFilename, rAppData, "Settings/LoginHost.xml"),
    LAYOUT(NbDataSearchParamSettingFilename, rAppData, "Settings/NbDataSearchParam.xml"),
    LAYOUT(PriceTransferSettingFilename, rAppData, "Settings/PriceTransfer.xml"),
    LAYOUT(NBFavoriteListSettingFilename, rAppData, "Settings/NbFavoriteList.xml"),
    LAYOUT(ElementsComparerSettingFilename, rAppData, "Settings/ElementsComparer.xml"),
    LAYOUT(NetworkIniPath, rAppData, "Settings/onclient.ini"),
    LAYOUT(RootNetworkIniPath, rCommonData, "onclient.ini"),
    LAYOUT(AutoSaveFoder, rAppData, "Autosave/"),
    LAYOUT(HistoryFolder, rAppData, "History/"),
    LAYOUT(CreateHistoryFilename, rAppData, "History/CreateHistory.xml"),
    LAYOUT(ExportHistoryFilename, rAppData, "History/ExportHistory.xml"),
    LAYOUT(LocalHistorySettingFilename, rAppData, "History/History.xml"),
    LAYOUT(RecentDocsSettingFilename, rAppData, "History/RecentDocs.xml"),
    LAYOUT(BootLogFolder, rCommonData, "BootLog/"),
    LAYOUT(DBaseFolder, rCommonData, "Data/"),
    LAYOUT(NormBasesFolder, rCommonData, "Data/"),
    LAYOUT(NBCacheFolder, rCommonData, "NbCache/"),
    LAYOUT(DefaultNewDocsFolder, rCommonData, "DefaultNewDocs/"),
    LAYOUT(DocTemplatesFolder, rCommonData, "DocTemplates/"),
    LAYOUT(ExpTemplatesFolder, rCommonData, "ExpTemplates/"),
    LAYOUT(DefaultExpSettingFile, rCommonData, "ExpTemplates/ExpDefault.xml"),
    LAYOUT(TemplatesFolder, rCommonData, "Templates/"),
    LAYOUT(TemplateItogFilename, rCommonData, "Templates/Itog.xlt"),
    LAYOUT(UserParamFilename, rCommonData, "Templates/Doc.ini"),
    LAYOUT(UserTemplatesFolder, rCommonData, "UserTemplates/"),
    LAYOUT(LocalSetting, rCommonData, "LocalSetting/"),
    LAYOUT(CrossrkFileName, rCommonData, "LocalSetting/Crossrk.xml"),
    LAYOUT(OrgRootXMLFileName, rCommonData, "LocalSetting/DocOrgs.xml"),
    LAYOUT(SignRootXMLFileName, rCommonData, "LocalSetting/Signs.xml"),
    LAYOUT(SignTypesXMLFileName, rCommonData, "LocalSetting/Signtypes.xml"),
    LAYOUT(WintersFileName, rCommonData, "LocalSetting/Winters.xml"),
    LAYOUT(CodeReplacementsFileName, rCommonData, "LocalSetting/CodeReplacements.xml"),
    LAYOUT(VeskaPropsFolder, rCommonData, "VeskaProps/"),
    LAYOUT(MyDocuments, rMyRoot, "Мои Сметы/"),
    LAYOUT(MyDocTemplates, rMyRoot, "Мои шаблоны/"),
    LAYOUT(MyExpTemplates, rMyRoot, "Мои формы/"),
    LAYOUT(MyNBTemplatesFolder, rMyRoot, "Мои базы/"),
};

#undef LAYOUT

std::string NormalRoot(const TProductSandbox& ASandbox, const TEditionCase& AEdition, TRoot ARoot) {
  switch (ARoot) {
    case rInstall: return ASandbox.Scratch() / (AEdition.ProductFolder + "/Client/");
    case rAppData: return ASandbox.AppData() + AEdition.DataSuffix;
    case rCommonData: return ASandbox.CommonAppData() + AEdition.DataSuffix;
    case rMyRoot: return ASandbox.Documents() + "Корвел/";
  }
  return {};
}

TEST(TVeska6Information, LayoutOfEveryEdition) {
  TProductSandbox Sandbox;
  RegisterEditions(Sandbox);
  for (const TEditionCase& Edition : Editions())
    for (const TLayoutCase& Case : LayoutCases)
      EXPECT_EQ(Case.Get(Edition.Info), Testing::NativePath(NormalRoot(Sandbox, Edition, Case.Root) + Case.Suffix))
          << Edition.Name << ": " << Case.Name;
}

TEST(TVeska6Information, PortableLayoutLivesInTheProgramsFolder) {
  TProductSandbox Sandbox;
  RegisterEditions(Sandbox);
  Sandbox.SetCommandLine({"/portable"});
  for (const TEditionCase& Edition : Editions())
    for (const TLayoutCase& Case : LayoutCases)
      EXPECT_EQ(Case.Get(Edition.Info), Testing::NativePath(Sandbox.ProgramFolder() + Case.Suffix))
          << Edition.Name << ": " << Case.Name;
}

TEST(TVeska6Information, InstalledEditionIsTheOneWhoseExecutableHasItsMajorVersion) {
  TProductSandbox Sandbox;
  RegisterEditions(Sandbox);
  Sandbox.PlaceFile("Product6/Client/KVeska.exe", "notrans.exe");    // 6.3.0.117
  Sandbox.PlaceFile("Product32/Client/KVeska.exe", "full.exe");      // 8.1.2.3
  Sandbox.PlaceFile("Product64/Client/KVeska.exe", "notrans.exe");   // a version 6 client where 8 belongs
  EXPECT_TRUE(TVeska6Information::Instance().IsApplicationInstalled());
  EXPECT_TRUE(TVeska8Information32::Instance().IsApplicationInstalled());
  EXPECT_FALSE(TVeska8Information64::Instance().IsApplicationInstalled());
  EXPECT_TRUE(TVeska8Information64::Instance().IsApplicationPresent());
}

TEST(TVeska6Information, WritePrivilegeProbesTheFoldersAsTheyAre) {
  TProductSandbox Sandbox;
  const auto& Info = TVeska8Information32::Instance();
  EXPECT_FALSE(Info.IsAppDataFolderHasWritePrivilege());
  EXPECT_FALSE(Info.IsNBCacheFolderHasWritePrivilege());
  fs::create_directories(Info.AppDataFolder());
  fs::create_directories(Info.NBCacheFolder());
  EXPECT_TRUE(Info.IsAppDataFolderHasWritePrivilege());
  EXPECT_TRUE(Info.IsNBCacheFolderHasWritePrivilege());
  EXPECT_FALSE(Info.IsNBDataFolderHasWritePrivilege());
  EXPECT_TRUE(fs::is_empty(Info.NBCacheFolder()));
}

// ---- NetworkIniPath ------------------------------------------------------------------------------

std::string ServerIni(const std::string& APort, const std::string& AExtra = {}) {
  return "[server]\r\nip_name=host.example\r\nport=" + APort + "\r\nmessage_port=7001\r\nbc_addr=10.0.0.255\r\n" +
         AExtra;
}

struct TNetworkIniCase {
  const char* Name;
  std::optional<std::string> User;      // the user's copy before, if any
  std::optional<std::string> Root;      // the machine-wide copy, if any
  std::optional<std::string> Expected;  // the user's copy after, if any
};

TEST(TVeska6Information, NetworkIniPathBringsTheUsersCopyUpToDate) {
  const std::string Differs = ServerIni("7000", "[client]\r\nlast=user\r\n");
  const std::vector<TNetworkIniCase> Cases = {
      {"no user copy: the machine's is copied", std::nullopt, ServerIni("7000"), ServerIni("7000")},
      {"no copy anywhere", std::nullopt, std::nullopt, std::nullopt},
      {"only the port differs", ServerIni("7000"), ServerIni("7100", "; new\r\n"), ServerIni("7100", "; new\r\n")},
      {"a key missing on one side", "[server]\r\nip_name=host.example\r\nport=7000\r\nmessage_port=7001\r\n",
       ServerIni("7000"), ServerIni("7000")},
      {"server values agree, others differ", Differs, ServerIni("7000", "[client]\r\nlast=root\r\n"), Differs},
      {"values differ only in letter case", ServerIni("7000"),
       "[server]\r\nip_name=HOST.example\r\nport=7000\r\nmessage_port=7001\r\nbc_addr=10.0.0.255\r\n",
       "[server]\r\nip_name=HOST.example\r\nport=7000\r\nmessage_port=7001\r\nbc_addr=10.0.0.255\r\n"},
      {"no machine copy: the user's stays", ServerIni("7000"), std::nullopt, ServerIni("7000")},
  };
  for (const TNetworkIniCase& Case : Cases) {
    TProductSandbox Sandbox;
    const auto& Info = TVeska8Information32::Instance();
    const std::string UserIni = Info.CommonSettingFolder() + "onclient.ini";
    fs::create_directories(Info.CommonSettingFolder());
    if (Case.User) Sandbox.Scratch().Write(Testing::RelativeUtf8(UserIni, Sandbox.Scratch().Path()), *Case.User);
    if (Case.Root)
      Sandbox.Scratch().Write(Testing::RelativeUtf8(Info.RootNetworkIniPath(), Sandbox.Scratch().Path()), *Case.Root);
    EXPECT_EQ(Info.NetworkIniPath(), UserIni) << Case.Name;
    EXPECT_EQ(fs::exists(UserIni), Case.Expected.has_value()) << Case.Name;
    if (Case.Expected) {
      EXPECT_EQ(TScratchFolder::Read(UserIni), *Case.Expected) << Case.Name;
    }
  }
}

TEST(TVeska6Information, NetworkIniPathWithoutASettingsFolderCreatesNothing) {
  TProductSandbox Sandbox;
  const auto& Info = TVeska8Information32::Instance();
  Sandbox.Scratch().Write(Testing::RelativeUtf8(Info.RootNetworkIniPath(), Sandbox.Scratch().Path()), ServerIni("7000"));
  EXPECT_EQ(Info.NetworkIniPath(), Info.CommonSettingFolder() + "onclient.ini");
  EXPECT_FALSE(fs::exists(Info.CommonSettingFolder()));
}

// ---- the user-data overrides ---------------------------------------------------------------------

// Every test starts and ends with the editions at their defaults.
class UserDataOverridesTest : public testing::Test {
 protected:
  void SetUp() override { ClearAll(); }
  void TearDown() override { ClearAll(); }
  static void ClearAll() {
    ClearVeska6UserData();
    ClearVeska8UserData();
  }
  static void LoadAll() {
    LoadVeska6UserData();
    LoadVeska8UserData();
  }

  // The folder's path in the platform's separators; created through its UTF-8 path, as the
  // narrow std::filesystem forms are the ANSI code page on Windows.
  std::string Folder(const std::string& ARelative) {
    const std::string Path = Testing::NativePath(Sandbox.Scratch() / ARelative);
    fs::create_directories(Testing::FileSystemPathOf(Path));
    return Path;
  }
  void WriteUserData(const std::string& AFileName, const std::string& AXml) {
    Sandbox.Scratch().Write(Testing::RelativeUtf8(AFileName, Sandbox.Scratch().Path()), AXml);
  }
  static std::string UserDataXml(const std::string& ARoot, const std::string& AAttributes) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<" + ARoot + " " + AAttributes + "/>\r\n";
  }

  TProductSandbox Sandbox;
  const TVeska8Information32& Info32 = TVeska8Information32::Instance();
};

TEST_F(UserDataOverridesTest, ExistingFoldersMoveTheLocalSettingsAndTheDocumentProperties) {
  const std::string Sep(1, Platform::PathSeparator());
  std::string Local = Folder("Общие/Настройки"), Props = Folder("Props");
  WriteUserData(Info32.UserDataFolderSettingFilename(),
                UserDataXml("UserData", "LocalSetting=\"" + Local + "\" VeskaProps=\"" + Props + Sep + "\""));
  LoadAll();
  EXPECT_EQ(Info32.CustomLocalSetting(), Local + Sep);
  EXPECT_EQ(Info32.LocalSetting(), Local + Sep);
  EXPECT_EQ(Info32.CrossrkFileName(), Platform::JoinPath(Local, "Crossrk.xml"));
  EXPECT_EQ(Info32.VeskaPropsFolder(), Props + Sep);
  // Each edition reads its own file only.
  EXPECT_EQ(TVeska6Information::Instance().CustomLocalSetting(), "");
  EXPECT_EQ(TVeska8Information64::Instance().CustomLocalSetting(), "");
  ClearVeska8UserData();
  EXPECT_EQ(Info32.LocalSetting(), Testing::NativePath(Info32.CommonDataFolder() + "LocalSetting/"));
}

TEST_F(UserDataOverridesTest, AWindows1251FileIsReadInItsOwnEncoding) {
  std::string Local = Folder("Общие");
  WriteUserData(Info32.UserDataFolderSettingFilename(),
                "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<UserData LocalSetting=\"" +
                    Utf8ToWin1251(Local) + "\"/>\r\n");
  LoadAll();
  EXPECT_EQ(Info32.LocalSetting(), Local + Platform::PathSeparator());
}

struct TIgnoredFileCase {
  const char* Name;
  std::string Xml;
};

TEST_F(UserDataOverridesTest, FilesThatMoveNothing) {
  std::string Local = Folder("Local");
  const std::vector<TIgnoredFileCase> Cases = {
      {"root element in other letter case", UserDataXml("userdata", "LocalSetting=\"" + Local + "\"")},
      {"another root element", UserDataXml("Options", "LocalSetting=\"" + Local + "\"")},
      {"a folder that does not exist", UserDataXml("UserData", "LocalSetting=\"" + Local + "/missing\"")},
      {"a file, not a folder", UserDataXml("UserData", "LocalSetting=\"" + Sandbox.Scratch() / "registry.reg\"")},
      {"empty attributes", UserDataXml("UserData", "LocalSetting=\"\" VeskaProps=\"\"")},
      {"no attributes", UserDataXml("UserData", "")},
  };
  for (const TIgnoredFileCase& Case : Cases) {
    WriteUserData(Info32.UserDataFolderSettingFilename(), Case.Xml);
    LoadAll();
    EXPECT_EQ(Info32.LocalSetting(), Testing::NativePath(Info32.CommonDataFolder() + "LocalSetting/")) << Case.Name;
    EXPECT_EQ(Info32.VeskaPropsFolder(), Testing::NativePath(Info32.CommonDataFolder() + "VeskaProps/")) << Case.Name;
  }
}

TEST_F(UserDataOverridesTest, ABrokenFileClearsWhatAnEarlierReadFound) {
  std::string Local = Folder("Local");
  const auto& Info6 = TVeska6Information::Instance();
  WriteUserData(Info6.UserDataFolderSettingFilename(), UserDataXml("UserData", "LocalSetting=\"" + Local + "\""));
  LoadAll();
  ASSERT_EQ(Info6.LocalSetting(), Testing::NativePath(Local + "/"));
  for (const char* Broken : {"<UserData LocalSetting=", "", "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY e \"e\">]><x/>"}) {
    WriteUserData(Info6.UserDataFolderSettingFilename(), Broken);
    EXPECT_NO_THROW(LoadAll());
    EXPECT_EQ(Info6.CustomLocalSetting(), "") << Broken;
  }
}

TEST_F(UserDataOverridesTest, TheSixtyFourBitEditionHasItsOwnFile) {
  std::string Props = Folder("Props64");
  const auto& Info64 = TVeska8Information64::Instance();
  WriteUserData(Info64.UserDataFolderSettingFilename(), UserDataXml("UserData", "VeskaProps=\"" + Props + "\""));
  LoadAll();
  EXPECT_EQ(Info64.VeskaPropsFolder(), Testing::NativePath(Props + "/"));
  EXPECT_EQ(Info32.VeskaPropsFolder(), Testing::NativePath(Info32.CommonDataFolder() + "VeskaProps/"));
}

}  // namespace
}  // namespace Quellit
