// kvtool run as a real program in a product sandbox; its output is captured through a shell.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Lib/Common/Common.FileVersion.h"
#include "SysInfo/KvtoolRunner.h"
#include "SysInfo/ProductSandbox.h"
#include "SysInfo/SysInfo.Core.Veska8.h"

namespace Quellit {
namespace {

using Testing::TProductSandbox;

using TRun = Testing::TKvtoolRun;

class KvtoolTest : public testing::Test {
 protected:
  TRun Run(const std::vector<std::string>& AArguments, const std::string& AOutputPath = {}) {
    return Testing::RunKvtool(Sandbox, AArguments, {}, AOutputPath);
  }

  // "Name<TAB>value" lines in order.
  static std::vector<std::pair<std::string, std::string>> Rows(const std::string& AOutput) {
    std::vector<std::pair<std::string, std::string>> Result;
    std::istringstream Lines(AOutput);
    for (std::string Line; std::getline(Lines, Line);) {
      std::size_t Tab = Line.find('\t');
      EXPECT_NE(Tab, std::string::npos) << Line;
      Result.emplace_back(Line.substr(0, Tab), Tab == std::string::npos ? "" : Line.substr(Tab + 1));
    }
    return Result;
  }
  static std::string Value(const std::vector<std::pair<std::string, std::string>>& ARows, const std::string& AName) {
    for (const auto& [Name, Value] : ARows)
      if (Name == AName) return Value;
    return "(missing)";
  }

  TProductSandbox Sandbox;
};

const std::vector<std::string> Version8Names = {
    "RegistryKey", "ApplicationDisplayName", "ApplicationExeName", "InstallFolder", "ApplicationPath",
    "IsApplicationPresent", "IsApplicationInstalled", "IsApplicationRuning", "ApplicationVersion",
    "ApplicationVersionInt", "MajorVersionDigit", "ApplicationPlatform64", "AppDataFolder", "CommonDataFolder",
    "MyFolderRoot", "CommonSettingFolder", "CommonSettingFilename", "ConnectionOptionsFilename",
    "SessionSettingFilename", "RibbonSettingFilename", "LoginHostSettingFilename", "NbDataSearchParamSettingFilename",
    "PriceTransferSettingFilename", "NBFavoriteListSettingFilename", "ElementsComparerSettingFilename",
    "UserDataFolderSettingFilename", "NetworkIniPath", "RootNetworkIniPath", "AutoSaveFoder", "HistoryFolder",
    "CreateHistoryFilename", "ExportHistoryFilename", "LocalHistorySettingFilename", "RecentDocsSettingFilename",
    "DebugLogFolder", "BootLogFolder", "DBaseFolder", "NormBasesFolder", "NBCacheFolder", "DefaultNewDocsFolder",
    "DocTemplatesFolder", "ExpTemplatesFolder", "DefaultExpSettingFile", "TemplatesFolder", "TemplateItogFilename",
    "UserParamFilename", "TemplateListVariablesFilename", "UserTemplatesFolder", "LocalSetting", "CrossrkFileName",
    "OrgRootXMLFileName", "SignRootXMLFileName", "SignTypesXMLFileName", "WintersFileName",
    "CodeReplacementsFileName", "VeskaPropsFolder", "MyDocuments", "MyDocTemplates", "MyExpTemplates",
    "MyNBTemplatesFolder", "IsAppDataFolderHasWritePrivilege", "IsNBCacheFolderHasWritePrivilege",
    "IsNBDataFolderHasWritePrivilege"};

TEST_F(KvtoolTest, LayoutOfTheInstalledProductAfterTheStartUpSteps) {
  const auto& Info = TVeska8Information32::Instance();
  Sandbox.AddUninstallEntry(Info.RegistryKey(), false, Sandbox.Scratch() / "Product");
  Sandbox.PlaceFile("Product/Client/KVeska.exe", "full.exe");
  Sandbox.Scratch().Write("Local/.keep", "");
  Sandbox.Scratch().Write("AppData/Orvant/Korvel 8/Client/Settings/UserData32.xml",
                          "<UserData LocalSetting=\"" + Sandbox.Scratch() / "Local" + "\"/>");

  TRun Result = Run({"layout"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.Errors;
  auto Rows = KvtoolTest::Rows(Result.Output);
  std::vector<std::string> Names;
  for (const auto& Row : Rows) Names.push_back(Row.first);
  EXPECT_EQ(Names, Version8Names);
  EXPECT_EQ(Value(Rows, "InstallFolder"), Sandbox.Scratch() / "Product/Client/");
  EXPECT_EQ(Value(Rows, "IsApplicationInstalled"), "True");
  EXPECT_EQ(Value(Rows, "IsApplicationRuning"), "False");
  EXPECT_EQ(Value(Rows, "ApplicationVersion"), "8.1.2.3");
  EXPECT_EQ(Value(Rows, "ApplicationVersionInt"),
            std::to_string(TDigitalFileVersionInfo::Create(8, 1, 2, 3).AsCardinal()));
  EXPECT_EQ(Value(Rows, "ApplicationPlatform64"), "False");
  EXPECT_EQ(Value(Rows, "ConnectionOptionsFilename"), Sandbox.AppData() + "Orvant/Korvel 8/Client/Settings/Connections.xml");
  EXPECT_EQ(Value(Rows, "LocalSetting"), Sandbox.Scratch() / "Local/");
  EXPECT_EQ(Value(Rows, "IsAppDataFolderHasWritePrivilege"), "True");
}

TEST_F(KvtoolTest, PortableVersionSixHasNoVersionEightFiles) {
  TRun Result = Run({"--setup-dir", Sandbox.ProgramFolder(), "layout", "--edition", "6", "/PORTABLE"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.Errors;
  auto Rows = KvtoolTest::Rows(Result.Output);
  EXPECT_EQ(Rows.size(), Version8Names.size() - 2);
  EXPECT_EQ(Value(Rows, "RegistryKey"), "{00A00000-0001-458F-9B85-600000000001}_is1");
  EXPECT_EQ(Value(Rows, "CommonDataFolder"), Sandbox.ProgramFolder());
  EXPECT_EQ(Value(Rows, "UserDataFolderSettingFilename"), Sandbox.ProgramFolder() + "Settings/UserData.xml");
  EXPECT_EQ(Value(Rows, "DebugLogFolder"), "(missing)");
  EXPECT_EQ(Value(Rows, "ApplicationVersion"), "0.0.0.0");
}

TEST_F(KvtoolTest, TheSixtyFourBitEdition) {
  TRun Result = Run({"layout", "--edition=8-64"});
  ASSERT_EQ(Result.ExitCode, 0) << Result.Errors;
  auto Rows = KvtoolTest::Rows(Result.Output);
  EXPECT_EQ(Value(Rows, "ApplicationPlatform64"), "True");
  EXPECT_EQ(Value(Rows, "UserDataFolderSettingFilename"), Sandbox.AppData() + "Orvant/Korvel 8/Client/Settings/UserData64.xml");
}

struct TUsageCase {
  std::vector<std::string> Arguments;
  int ExitCode;
  const char* Expected;  // in the output for 0, in the errors otherwise
};

TEST_F(KvtoolTest, HelpAndMistakes) {
  const std::vector<TUsageCase> Cases = {
      {{"--help"}, 0, "layout [--edition 6|8-32|8-64] [-portable]"},
      {{}, 2, "no command given"},
      {{"frobnicate"}, 2, "unknown command \"frobnicate\""},
      {{"layout", "--edition", "7"}, 2, "unknown edition \"7\""},
      {{"layout", "extra"}, 2, "unexpected argument \"extra\""},
      {{"--setup-dir"}, 1, "--setup-dir"},
  };
  for (const TUsageCase& Case : Cases) {
    TRun Result = Run(Case.Arguments);
    EXPECT_EQ(Result.ExitCode, Case.ExitCode) << testing::PrintToString(Case.Arguments);
    EXPECT_NE((Case.ExitCode == 0 ? Result.Output : Result.Errors).find(Case.Expected), std::string::npos)
        << testing::PrintToString(Case.Arguments) << "\n" << Result.Output << Result.Errors;
  }
}

// A full disk or a closed standard output is an error, whatever the command; the bases' commands
// are tried the same way beside their own tests.
TEST_F(KvtoolTest, OutputThatCannotBeWrittenIsAFailure) {
  const std::string Connections = Sandbox.Scratch() / "Connections.xml";
  {
    std::ofstream Out(Connections);
    Out << "<Options><Connections><Connection_1 ClassID=\"KV.Files\" Caption=\"A\" Address=\"C:\\A\"/>"
           "</Connections></Options>";
  }
  const std::vector<std::vector<std::string>> Commands = {
      {"layout"}, {"layout", "--edition", "6"}, {"--help"}, {"connections", Connections}};
  for (const std::string& Output : {std::string("/dev/full"), Testing::ClosedOutput})
    for (const auto& Arguments : Commands) {
      SCOPED_TRACE(testing::PrintToString(Arguments) + " > " + Output);
      TRun Result = Run(Arguments, Output);
      EXPECT_EQ(Result.ExitCode, 1);
      EXPECT_EQ(Result.Errors, "kvtool: cannot write to standard output\n");
    }
  // The same commands succeed where the output can go.
  for (const auto& Arguments : Commands) EXPECT_EQ(Run(Arguments).ExitCode, 0) << testing::PrintToString(Arguments);
}

}  // namespace
}  // namespace Quellit
