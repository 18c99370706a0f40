// The product's version 8 editions: the common part and its 32-bit and 64-bit leaves. They differ
// from version 6 in their data folders, major version and base extension, and from each other in
// their uninstall entry, names, user-data overrides and registry view.
#pragma once

#include <string>

#include "SysInfo/SysInfo.Core.Veska6.h"

namespace Quellit {

class TVeska8CustomInformation : public TVeska6Information {
 public:
  std::string AppDataFolder() const override;
  std::string CommonDataFolder() const override;
  int MajorVersionDigit() const override;
  std::string GetDBaseExtension() const override;

  std::string DebugLogFolder() const;                  // the folder "DebugLog" in AppDataFolder
  std::string TemplateListVariablesFilename() const;   // TemplatesFolder + "ListVariables.xlt"

 protected:
  TVeska8CustomInformation() = default;
};

class TVeska8Information32 : public TVeska8CustomInformation {
 public:
  static const TVeska8Information32& Instance();

  std::string RegistryKey() const override;
  std::string ApplicationDisplayName() const override;
  std::string ApplicationExeName() const override;
  std::string CustomLocalSetting() const override;
  std::string CustomVeskaPropsFolder() const override;

  std::string UserDataFolderSettingFilename() const;   // CommonSettingFolder + "UserData32.xml"

 protected:
  TVeska8Information32() = default;
};

class TVeska8Information64 : public TVeska8CustomInformation {
 public:
  static const TVeska8Information64& Instance();

  std::string RegistryKey() const override;
  std::string ApplicationDisplayName() const override;
  std::string ApplicationExeName() const override;
  std::string CustomLocalSetting() const override;
  std::string CustomVeskaPropsFolder() const override;
  bool ApplicationPlatform64() const override;

  std::string UserDataFolderSettingFilename() const;   // CommonSettingFolder + "UserData64.xml"

 protected:
  TVeska8Information64() = default;
};

// Start-up step of this unit: the 32-bit, then the 64-bit edition's overrides from their settings
// files. The clear step puts both back to their defaults at shutdown.
void LoadVeska8UserData();
void ClearVeska8UserData();

}  // namespace Quellit
