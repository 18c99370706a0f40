// The product's version 6 edition and the folder layout every edition shares: install, per-user
// and machine-wide data folders, the user's documents, settings and history files, templates,
// normative bases and their caches.
//
// Folders are computed, never created, and end with a separator; "+" in a comment below means
// plain concatenation.
#pragma once

#include <string>

#include "SysInfo/SysInfo.Core.Application.h"

namespace Quellit {

class TXMLElement;

// The folders an edition's user-data settings file moves elsewhere; empty when not moved.
struct TUserDataOverrides {
  std::string LocalSetting;
  std::string VeskaPropsFolder;
};

class TVeska6Information : public TCustomApplicationInformation {
 public:
  static const TVeska6Information& Instance();

  std::string RegistryKey() const override;
  std::string ApplicationDisplayName() const override;
  std::string ApplicationExeName() const override;
  std::string DBaseFolder() const override;            // the folder "Data" in CommonDataFolder
  // The product's executable lies in "Client/" under the install location, except in portable
  // mode, where it is the program's own folder.
  std::string InstallFolder() const override;
  std::string MutexName() const override;
  std::string PortableRelativePath() const override;
  int MajorVersionDigit() const override;

  // Virtual operations added by the editions' root, in the order the editions rely on.
  virtual std::string AppDataFolder() const;           // per-user data; InstallFolder when portable
  virtual std::string CustomLocalSetting() const;      // the start-up override, usually ""
  virtual std::string CommonDataFolder() const;        // machine-wide data; InstallFolder when portable
  virtual std::string CustomVeskaPropsFolder() const;  // the start-up override, usually ""
  virtual std::string GetDBaseExtension() const;       // extension of normative-base files

  // The user's product folder under the documents folder; InstallFolder when portable.
  std::string MyFolderRoot() const;

  std::string CommonSettingFolder() const;             // the folder "Settings" in AppDataFolder
  std::string CommonSettingFilename() const;
  std::string ConnectionOptionsFilename() const;
  std::string SessionSettingFilename() const;
  std::string RibbonSettingFilename() const;
  std::string LoginHostSettingFilename() const;
  std::string NbDataSearchParamSettingFilename() const;
  std::string PriceTransferSettingFilename() const;
  std::string NBFavoriteListSettingFilename() const;
  std::string ElementsComparerSettingFilename() const;
  // Each edition names its own file; called on the edition's own type.
  std::string UserDataFolderSettingFilename() const;
  // The user's "onclient.ini", first brought up to date with the machine-wide copy (see the .cpp).
  std::string NetworkIniPath() const;
  std::string RootNetworkIniPath() const;              // CommonDataFolder + "onclient.ini"
  std::string AutoSaveFoder() const;
  std::string HistoryFolder() const;
  std::string CreateHistoryFilename() const;
  std::string ExportHistoryFilename() const;
  std::string LocalHistorySettingFilename() const;
  std::string RecentDocsSettingFilename() const;
  std::string BootLogFolder() const;
  std::string NormBasesFolder() const;                 // DBaseFolder
  std::string NBCacheFolder() const;
  std::string DefaultNewDocsFolder() const;
  std::string DocTemplatesFolder() const;
  std::string ExpTemplatesFolder() const;
  std::string DefaultExpSettingFile() const;
  std::string TemplatesFolder() const;
  std::string TemplateItogFilename() const;
  std::string UserParamFilename() const;
  std::string UserTemplatesFolder() const;
  std::string LocalSetting() const;                    // CustomLocalSetting, else the default
  std::string CrossrkFileName() const;
  std::string OrgRootXMLFileName() const;
  std::string SignRootXMLFileName() const;
  std::string SignTypesXMLFileName() const;
  std::string WintersFileName() const;
  std::string CodeReplacementsFileName() const;
  std::string VeskaPropsFolder() const;                // CustomVeskaPropsFolder, else the default
  std::string MyDocuments() const;
  std::string MyDocTemplates() const;
  std::string MyExpTemplates() const;
  std::string MyNBTemplatesFolder() const;
  bool IsAppDataFolderHasWritePrivilege() const;
  bool IsNBCacheFolderHasWritePrivilege() const;
  bool IsNBDataFolderHasWritePrivilege() const;

  // Pieces of the diagnostic report: Russian text indented for inclusion in a larger report, each
  // line ended by CR LF except the last line of the base list.
  // The "*.tmp" files directly in AutoSaveFoder: path, count and total size. Folders do not count.
  void GetAutoSaveFolderInfo(std::string& AText) const;
  // Adds "dbase" to ANode with one "item" per base file directly in DBaseFolder, in listing order.
  // An unreadable base raises and leaves ANode as it was, never half a list.
  void GetModulesState(const TXMLElement& ANode) const;
  // Describes every base file in DBaseFolder and its sub-folders; a folder that cannot be listed
  // reads as having none, an unreadable base raises.
  void GetModulesState(std::string& AText) const;

 protected:
  TVeska6Information() = default;

  // ARelativeFolder ("Orvant", "Korvel 6", "Client" joined) below ASpecialFolder, with a trailing
  // separator, or InstallFolder when portable.
  std::string DataFolder(const std::string& ARelativeFolder, const std::string& ASpecialFolder) const;
};

// Takes the overrides of one edition from its user-data settings file; without the file nothing
// changes. A root element other than "UserData" (case counts) or an attribute naming no existing
// folder leaves that override empty; a file that cannot be read or parsed clears both.
void LoadUserDataOverrides(const std::string& AFileName, TUserDataOverrides& AOverrides);

// Start-up step of this unit: takes the version 6 overrides from its settings file, when there is
// one. The clear step puts the edition back to its defaults at shutdown.
void LoadVeska6UserData();
void ClearVeska6UserData();

}  // namespace Quellit
