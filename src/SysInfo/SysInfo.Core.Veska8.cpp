#include "SysInfo/SysInfo.Core.Veska8.h"

#include "Lib/Common/Common.SystemUtils.h"
#include "Platform/Path.h"

namespace Quellit {
namespace {

const std::string DataFolderRelative = Platform::JoinPath("Orvant", "Korvel 8", "Client");

TUserDataOverrides& Veska8UserData32() {
  static TUserDataOverrides Overrides;
  return Overrides;
}

TUserDataOverrides& Veska8UserData64() {
  static TUserDataOverrides Overrides;
  return Overrides;
}

}  // namespace

std::string TVeska8CustomInformation::AppDataFolder() const {
  return DataFolder(DataFolderRelative, GetAppDataFolder());
}

std::string TVeska8CustomInformation::CommonDataFolder() const {
  return DataFolder(DataFolderRelative, GetCommonAppDataFolder());
}

int TVeska8CustomInformation::MajorVersionDigit() const { return 8; }
std::string TVeska8CustomInformation::GetDBaseExtension() const { return ".kvd8"; }

std::string TVeska8CustomInformation::DebugLogFolder() const {
  return Platform::JoinFolderPath(AppDataFolder(), "DebugLog");
}

std::string TVeska8CustomInformation::TemplateListVariablesFilename() const {
  return TemplatesFolder() + "ListVariables.xlt";
}

const TVeska8Information32& TVeska8Information32::Instance() {
  static const TVeska8Information32 Information;
  return Information;
}

std::string TVeska8Information32::RegistryKey() const { return "{00A00000-0001-458F-9B85-800000003201}_is1"; }
std::string TVeska8Information32::ApplicationDisplayName() const { return "Корвел Клиент (32 бита)"; }
std::string TVeska8Information32::ApplicationExeName() const { return "KVeska.exe"; }
std::string TVeska8Information32::CustomLocalSetting() const { return Veska8UserData32().LocalSetting; }
std::string TVeska8Information32::CustomVeskaPropsFolder() const { return Veska8UserData32().VeskaPropsFolder; }

std::string TVeska8Information32::UserDataFolderSettingFilename() const {
  return CommonSettingFolder() + "UserData32.xml";
}

const TVeska8Information64& TVeska8Information64::Instance() {
  static const TVeska8Information64 Information;
  return Information;
}

std::string TVeska8Information64::RegistryKey() const { return "{00A00000-0001-458F-9B85-800000006401}_is1"; }
std::string TVeska8Information64::ApplicationDisplayName() const { return "Корвел Клиент (64 бита)"; }
std::string TVeska8Information64::ApplicationExeName() const { return "KVeska.exe"; }
std::string TVeska8Information64::CustomLocalSetting() const { return Veska8UserData64().LocalSetting; }
std::string TVeska8Information64::CustomVeskaPropsFolder() const { return Veska8UserData64().VeskaPropsFolder; }
bool TVeska8Information64::ApplicationPlatform64() const { return true; }

std::string TVeska8Information64::UserDataFolderSettingFilename() const {
  return CommonSettingFolder() + "UserData64.xml";
}

void LoadVeska8UserData() {
  LoadUserDataOverrides(TVeska8Information32::Instance().UserDataFolderSettingFilename(), Veska8UserData32());
  LoadUserDataOverrides(TVeska8Information64::Instance().UserDataFolderSettingFilename(), Veska8UserData64());
}

void ClearVeska8UserData() {
  Veska8UserData64() = {};
  Veska8UserData32() = {};
}

}  // namespace Quellit
