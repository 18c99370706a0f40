// kvtool layout: where an edition of the product keeps its folders and files.
#include <cstdint>
#include <iostream>
#include <string>

#include "Lib/Common/Common.SysUtils.h"
#include "SysInfo/SysInfo.Core.Veska6.h"
#include "SysInfo/SysInfo.Core.Veska8.h"
#include "tools/KvTool.Commands.h"

namespace Quellit::KvTool {
namespace {

void PrintRow(const std::string& AName, const std::string& AValue) { std::cout << AName << '\t' << AValue << '\n'; }
void PrintRow(const std::string& AName, bool AValue) { PrintRow(AName, std::string(AValue ? "True" : "False")); }
void PrintRow(const std::string& AName, std::uint32_t AValue) { PrintRow(AName, std::to_string(AValue)); }
void PrintRow(const std::string& AName, int AValue) { PrintRow(AName, std::to_string(AValue)); }

template <class TEdition>
void PrintApplication(const TEdition& AInfo) {
  PrintRow("RegistryKey", AInfo.RegistryKey());
  PrintRow("ApplicationDisplayName", AInfo.ApplicationDisplayName());
  PrintRow("ApplicationExeName", AInfo.ApplicationExeName());
  PrintRow("InstallFolder", AInfo.InstallFolder());
  PrintRow("ApplicationPath", AInfo.ApplicationPath());
  PrintRow("IsApplicationPresent", AInfo.IsApplicationPresent());
  PrintRow("IsApplicationInstalled", AInfo.IsApplicationInstalled());
  PrintRow("IsApplicationRuning", AInfo.IsApplicationRuning());
  PrintRow("ApplicationVersion", AInfo.ApplicationVersion().FullVerAsString());
  PrintRow("ApplicationVersionInt", AInfo.ApplicationVersionInt());
  PrintRow("MajorVersionDigit", AInfo.MajorVersionDigit());
  PrintRow("ApplicationPlatform64", AInfo.ApplicationPlatform64());
}

template <class TEdition>
void PrintSettingsAndHistory(const TEdition& AInfo) {
  PrintRow("CommonSettingFolder", AInfo.CommonSettingFolder());
  PrintRow("CommonSettingFilename", AInfo.CommonSettingFilename());
  PrintRow("ConnectionOptionsFilename", AInfo.ConnectionOptionsFilename());
  PrintRow("SessionSettingFilename", AInfo.SessionSettingFilename());
  PrintRow("RibbonSettingFilename", AInfo.RibbonSettingFilename());
  PrintRow("LoginHostSettingFilename", AInfo.LoginHostSettingFilename());
  PrintRow("NbDataSearchParamSettingFilename", AInfo.NbDataSearchParamSettingFilename());
  PrintRow("PriceTransferSettingFilename", AInfo.PriceTransferSettingFilename());
  PrintRow("NBFavoriteListSettingFilename", AInfo.NBFavoriteListSettingFilename());
  PrintRow("ElementsComparerSettingFilename", AInfo.ElementsComparerSettingFilename());
  // Called on the edition's own type: each edition names its own file.
  PrintRow("UserDataFolderSettingFilename", AInfo.UserDataFolderSettingFilename());
  PrintRow("NetworkIniPath", AInfo.NetworkIniPath());
  PrintRow("RootNetworkIniPath", AInfo.RootNetworkIniPath());
  PrintRow("AutoSaveFoder", AInfo.AutoSaveFoder());
  PrintRow("HistoryFolder", AInfo.HistoryFolder());
  PrintRow("CreateHistoryFilename", AInfo.CreateHistoryFilename());
  PrintRow("ExportHistoryFilename", AInfo.ExportHistoryFilename());
  PrintRow("LocalHistorySettingFilename", AInfo.LocalHistorySettingFilename());
  PrintRow("RecentDocsSettingFilename", AInfo.RecentDocsSettingFilename());
  if constexpr (std::is_base_of_v<TVeska8CustomInformation, TEdition>)
    PrintRow("DebugLogFolder", AInfo.DebugLogFolder());
  PrintRow("BootLogFolder", AInfo.BootLogFolder());
}

template <class TEdition>
void PrintDataAndTemplates(const TEdition& AInfo) {
  PrintRow("DBaseFolder", AInfo.DBaseFolder());
  PrintRow("NormBasesFolder", AInfo.NormBasesFolder());
  PrintRow("NBCacheFolder", AInfo.NBCacheFolder());
  PrintRow("DefaultNewDocsFolder", AInfo.DefaultNewDocsFolder());
  PrintRow("DocTemplatesFolder", AInfo.DocTemplatesFolder());
  PrintRow("ExpTemplatesFolder", AInfo.ExpTemplatesFolder());
  PrintRow("DefaultExpSettingFile", AInfo.DefaultExpSettingFile());
  PrintRow("TemplatesFolder", AInfo.TemplatesFolder());
  PrintRow("TemplateItogFilename", AInfo.TemplateItogFilename());
  PrintRow("UserParamFilename", AInfo.UserParamFilename());
  if constexpr (std::is_base_of_v<TVeska8CustomInformation, TEdition>)
    PrintRow("TemplateListVariablesFilename", AInfo.TemplateListVariablesFilename());
  PrintRow("UserTemplatesFolder", AInfo.UserTemplatesFolder());
}

template <class TEdition>
void PrintLocalAndUserFolders(const TEdition& AInfo) {
  PrintRow("LocalSetting", AInfo.LocalSetting());
  PrintRow("CrossrkFileName", AInfo.CrossrkFileName());
  PrintRow("OrgRootXMLFileName", AInfo.OrgRootXMLFileName());
  PrintRow("SignRootXMLFileName", AInfo.SignRootXMLFileName());
  PrintRow("SignTypesXMLFileName", AInfo.SignTypesXMLFileName());
  PrintRow("WintersFileName", AInfo.WintersFileName());
  PrintRow("CodeReplacementsFileName", AInfo.CodeReplacementsFileName());
  PrintRow("VeskaPropsFolder", AInfo.VeskaPropsFolder());
  PrintRow("MyDocuments", AInfo.MyDocuments());
  PrintRow("MyDocTemplates", AInfo.MyDocTemplates());
  PrintRow("MyExpTemplates", AInfo.MyExpTemplates());
  PrintRow("MyNBTemplatesFolder", AInfo.MyNBTemplatesFolder());
  PrintRow("IsAppDataFolderHasWritePrivilege", AInfo.IsAppDataFolderHasWritePrivilege());
  PrintRow("IsNBCacheFolderHasWritePrivilege", AInfo.IsNBCacheFolderHasWritePrivilege());
  PrintRow("IsNBDataFolderHasWritePrivilege", AInfo.IsNBDataFolderHasWritePrivilege());
}

// Templates, so that operations each edition declares for itself are asked of the right one.
template <class TEdition>
void PrintLayout(const TEdition& AInfo) {
  PrintApplication(AInfo);  // InstallFolder, the first of the folders, is among these
  PrintRow("AppDataFolder", AInfo.AppDataFolder());
  PrintRow("CommonDataFolder", AInfo.CommonDataFolder());
  PrintRow("MyFolderRoot", AInfo.MyFolderRoot());
  PrintSettingsAndHistory(AInfo);
  PrintDataAndTemplates(AInfo);
  PrintLocalAndUserFolders(AInfo);
}

}  // namespace

int RunLayout(const TArguments& AArguments) {
  std::string Edition = "8-32";
  for (std::size_t I = 0; I < AArguments.size(); ++I) {
    const std::string& Argument = AArguments[I];
    if (Argument == "--edition" && I + 1 < AArguments.size())
      Edition = AArguments[++I];
    else if (Argument.starts_with("--edition="))
      Edition = Argument.substr(10);
    // The portable switch is the program's own: the product information reads it itself.
    else if (!SameText(Argument, "-portable") && !SameText(Argument, "/portable"))
      throw EUsageError("layout: unexpected argument \"" + Argument + "\"");
  }
  if (Edition == "6")
    PrintLayout(TVeska6Information::Instance());
  else if (Edition == "8-32")
    PrintLayout(TVeska8Information32::Instance());
  else if (Edition == "8-64")
    PrintLayout(TVeska8Information64::Instance());
  else
    throw EUsageError("layout: unknown edition \"" + Edition + "\" (6, 8-32 or 8-64)");
  return 0;
}

}  // namespace Quellit::KvTool
