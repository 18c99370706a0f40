#include "SysInfo/SysInfo.Core.Veska6.h"

#include <array>
#include <vector>

#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.SystemUtils.h"
#include "Lib/Common/Common.XMLUtils.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/File.h"
#include "Platform/Folder.h"
#include "Platform/IniFile.h"
#include "Platform/Path.h"
#include "SysInfo/SysInfo.Core.CommonUtils.h"
#include "SysInfo/SysInfo.Core.VeskaDBase.h"

namespace Quellit {
namespace {

using Platform::IncludeTrailingPathDelimiter;
using Platform::JoinFolderPath;

const std::string DataFolderRelative = Platform::JoinPath("Orvant", "Korvel 6", "Client");

TUserDataOverrides& Veska6UserData() {
  static TUserDataOverrides Overrides;
  return Overrides;
}

// A missing source, or a target folder that does not exist, leaves the target as it is.
void CopyFileQuietly(const std::string& ASource, const std::string& ATarget) {
  try {
    std::vector<std::uint8_t> Bytes = Platform::ReadAllBytes(ASource);
    Platform::WriteAllBytesAtomic(ATarget, Bytes.data(), Bytes.size());
  } catch (...) {
  }
}

// The server settings the client connects with; the user's copy must carry the machine's ones.
bool SameServerSettings(const std::string& AUserIni, const std::string& ARootIni) {
  static const std::array<const char*, 4> Keys = {"ip_name", "port", "message_port", "bc_addr"};
  Platform::TIniFile User(AUserIni), Root(ARootIni);
  for (const char* Key : Keys)
    if (User.ReadString("server", Key, "") != Root.ReadString("server", Key, "")) return false;
  return true;
}

// An override counts only when it names a folder that exists; it then ends with a separator.
std::string ExistingFolder(const std::string& AFolder) {
  return Platform::DirectoryExists(AFolder) ? IncludeTrailingPathDelimiter(AFolder) : std::string();
}

TUserDataOverrides ReadUserDataFile(const std::string& AFileName) {
  TUserDataOverrides Result;
  TXMLDocument Doc = LoadXMLFile(AFileName);
  TXMLElement Root = Doc.DocumentElement();
  if (Root && Root.NodeName() == "UserData") {
    Result.LocalSetting = ExistingFolder(ReadAttributeText(Root, "LocalSetting"));
    Result.VeskaPropsFolder = ExistingFolder(ReadAttributeText(Root, "VeskaProps"));
  }
  return Result;
}

// ---- report fragments ----------------------------------------------------------------------------

// Sub-folders of the base folder deeper than this are not searched: a link looping back into the
// tree would otherwise make the walk endless, and real installations nest bases a level or two.
constexpr int MaxBaseFolderDepth = 8;

void AddLine(std::string& AText, const std::string& ALine) {
  AText += ALine;
  AText += "\r\n";
}

// The files of AFolder (top level only) whose names match AMask, in listing order.
std::vector<Platform::TFolderEntry> MatchingFiles(const std::string& AFolder, const std::string& AMask) {
  std::vector<Platform::TFolderEntry> Result;
  for (Platform::TFolderEntry& Entry : Platform::ListFolder(AFolder))
    if (!Entry.IsFolder && Platform::MatchesMask(Entry.Name, AMask)) Result.push_back(std::move(Entry));
  return Result;
}

// A folder's own bases first, then those of each sub-folder in listing order.
void CollectBaseFiles(const std::string& AFolder, const std::string& AMask, int ADepth,
                      std::vector<std::string>& AFiles) {
  for (const Platform::TFolderEntry& Entry : MatchingFiles(AFolder, AMask)) AFiles.push_back(AFolder + Entry.Name);
  if (ADepth >= MaxBaseFolderDepth) return;
  for (const Platform::TFolderEntry& Entry : Platform::ListFolder(AFolder))
    if (Entry.IsFolder)
      CollectBaseFiles(IncludeTrailingPathDelimiter(AFolder + Entry.Name), AMask, ADepth + 1, AFiles);
}

std::string BaseYearText(TNBYear AYear) {
  switch (AYear) {
    case spl1984: return "1984";
    case spl2001: return "2001";
    default: return "unknown";
  }
}

// The user's date and time forms, the time left out at midnight; a date no calendar has, which a
// damaged descriptor can carry, is left empty rather than rendered as nonsense.
std::string BaseDateTimeText(TDateTime AValue) {
  return BaseDateToStr(AValue).empty() ? std::string() : DateTimeToStr(AValue);
}

void AddBaseItem(TXMLElement& ADBase, const std::string& APath) {
  TNB_InfoStruct Info;
  ReadBaseDescriptor(APath, Info);
  TXMLElement Item = ADBase.AddChild("item");
  // Descriptor texts come from files made elsewhere: control characters XML cannot carry are
  // dropped so the report stays a well-formed document.
  Item.SetAttribute("path", RemoveInvalidXMLChars(APath));
  Item.SetAttribute("region", RemoveInvalidXMLChars(Fix1251Text(Info.RegionName)));
  Item.SetAttribute("version", std::to_string(Info.ReleaseNumber));
  Item.SetAttribute("code", std::to_string(Info.Code.ToInt()));
  Item.SetAttribute("date", BaseDateTimeText(Info.CreationDate));
  Item.SetAttribute("publisher", PublisherName(Info.Publidher));
  Item.SetAttribute("year", BaseYearText(Info.Code.Year));
  Item.SetAttribute("district", RemoveInvalidXMLChars(Info.DistrictName));
}

}  // namespace

const TVeska6Information& TVeska6Information::Instance() {
  static const TVeska6Information Information;
  return Information;
}

std::string TVeska6Information::RegistryKey() const { return "{00A00000-0001-458F-9B85-600000000001}_is1"; }
std::string TVeska6Information::ApplicationDisplayName() const { return "Корвел Клиент"; }
std::string TVeska6Information::ApplicationExeName() const { return "KVeska.exe"; }

std::string TVeska6Information::DBaseFolder() const {
  return JoinFolderPath(CommonDataFolder(), "Data");
}

std::string TVeska6Information::InstallFolder() const {
  std::string Folder = TCustomApplicationInformation::InstallFolder();
  return IsPortableMode() ? Folder : Folder + JoinFolderPath("Client");
}

std::string TVeska6Information::MutexName() const { return "Korvel_client"; }
std::string TVeska6Information::PortableRelativePath() const { return JoinFolderPath("Orvant", "Korvel"); }
int TVeska6Information::MajorVersionDigit() const { return 6; }

std::string TVeska6Information::DataFolder(const std::string& ARelativeFolder,
                                           const std::string& ASpecialFolder) const {
  if (IsPortableMode()) return InstallFolder();
  // An empty special folder still gives the root, never a path relative to the current folder.
  return JoinFolderPath(IncludeTrailingPathDelimiter(ASpecialFolder), ARelativeFolder);
}

std::string TVeska6Information::AppDataFolder() const { return DataFolder(DataFolderRelative, GetAppDataFolder()); }
std::string TVeska6Information::CustomLocalSetting() const { return Veska6UserData().LocalSetting; }

std::string TVeska6Information::CommonDataFolder() const {
  return DataFolder(DataFolderRelative, GetCommonAppDataFolder());
}

std::string TVeska6Information::CustomVeskaPropsFolder() const { return Veska6UserData().VeskaPropsFolder; }
std::string TVeska6Information::GetDBaseExtension() const { return ".kvd5"; }

std::string TVeska6Information::MyFolderRoot() const {
  if (IsPortableMode()) return InstallFolder();
  return JoinFolderPath(IncludeTrailingPathDelimiter(GetPersonalFolder()), "Корвел");
}

std::string TVeska6Information::CommonSettingFolder() const { return JoinFolderPath(AppDataFolder(), "Settings"); }
std::string TVeska6Information::CommonSettingFilename() const { return CommonSettingFolder() + "CommonSetting.xml"; }
std::string TVeska6Information::ConnectionOptionsFilename() const { return CommonSettingFolder() + "Connections.xml"; }
std::string TVeska6Information::SessionSettingFilename() const { return CommonSettingFolder() + "SessionSetting.xml"; }
std::string TVeska6Information::RibbonSettingFilename() const { return CommonSettingFolder() + "Ribbon.xml"; }
std::string TVeska6Information::LoginHostSettingFilename() const { return CommonSettingFolder() + "LoginHost.xml"; }

std::string TVeska6Information::NbDataSearchParamSettingFilename() const {
  return CommonSettingFolder() + "NbDataSearchParam.xml";
}

std::string TVeska6Information::PriceTransferSettingFilename() const {
  return CommonSettingFolder() + "PriceTransfer.xml";
}

std::string TVeska6Information::NBFavoriteListSettingFilename() const {
  return CommonSettingFolder() + "NbFavoriteList.xml";
}

std::string TVeska6Information::ElementsComparerSettingFilename() const {
  return CommonSettingFolder() + "ElementsComparer.xml";
}

std::string TVeska6Information::UserDataFolderSettingFilename() const { return CommonSettingFolder() + "UserData.xml"; }

std::string TVeska6Information::NetworkIniPath() const {
  const std::string UserIni = CommonSettingFolder() + "onclient.ini";
  const std::string RootIni = RootNetworkIniPath();
  // The machine-wide copy is the administrator's; only the server settings decide whether the
  // user's copy is stale, so the user's other choices survive while the server stays the same.
  if (!Platform::FileExists(UserIni))
    CopyFileQuietly(RootIni, UserIni);
  else if (Platform::FileExists(RootIni) && !SameServerSettings(UserIni, RootIni))
    CopyFileQuietly(RootIni, UserIni);
  return UserIni;
}

std::string TVeska6Information::RootNetworkIniPath() const { return CommonDataFolder() + "onclient.ini"; }
std::string TVeska6Information::AutoSaveFoder() const { return JoinFolderPath(AppDataFolder(), "Autosave"); }
std::string TVeska6Information::HistoryFolder() const { return JoinFolderPath(AppDataFolder(), "History"); }
std::string TVeska6Information::CreateHistoryFilename() const { return HistoryFolder() + "CreateHistory.xml"; }
std::string TVeska6Information::ExportHistoryFilename() const { return HistoryFolder() + "ExportHistory.xml"; }
std::string TVeska6Information::LocalHistorySettingFilename() const { return HistoryFolder() + "History.xml"; }
std::string TVeska6Information::RecentDocsSettingFilename() const { return HistoryFolder() + "RecentDocs.xml"; }
std::string TVeska6Information::BootLogFolder() const { return JoinFolderPath(CommonDataFolder(), "BootLog"); }
std::string TVeska6Information::NormBasesFolder() const { return DBaseFolder(); }

std::string TVeska6Information::NBCacheFolder() const {
  return JoinFolderPath(CommonDataFolder(), "NbCache");
}

std::string TVeska6Information::DefaultNewDocsFolder() const {
  return JoinFolderPath(CommonDataFolder(), "DefaultNewDocs");
}
std::string TVeska6Information::DocTemplatesFolder() const {
  return JoinFolderPath(CommonDataFolder(), "DocTemplates");
}
std::string TVeska6Information::ExpTemplatesFolder() const {
  return JoinFolderPath(CommonDataFolder(), "ExpTemplates");
}
std::string TVeska6Information::DefaultExpSettingFile() const { return ExpTemplatesFolder() + "ExpDefault.xml"; }
std::string TVeska6Information::TemplatesFolder() const { return JoinFolderPath(CommonDataFolder(), "Templates"); }
std::string TVeska6Information::TemplateItogFilename() const { return TemplatesFolder() + "Itog.xlt"; }
std::string TVeska6Information::UserParamFilename() const { return TemplatesFolder() + "Doc.ini"; }
std::string TVeska6Information::UserTemplatesFolder() const {
  return JoinFolderPath(CommonDataFolder(), "UserTemplates");
}

std::string TVeska6Information::LocalSetting() const {
  std::string Custom = CustomLocalSetting();
  if (!Custom.empty()) return Custom;
  return JoinFolderPath(CommonDataFolder(), "LocalSetting");
}

std::string TVeska6Information::CrossrkFileName() const { return LocalSetting() + "Crossrk.xml"; }
std::string TVeska6Information::OrgRootXMLFileName() const { return LocalSetting() + "DocOrgs.xml"; }
std::string TVeska6Information::SignRootXMLFileName() const { return LocalSetting() + "Signs.xml"; }
std::string TVeska6Information::SignTypesXMLFileName() const { return LocalSetting() + "Signtypes.xml"; }
std::string TVeska6Information::WintersFileName() const { return LocalSetting() + "Winters.xml"; }
std::string TVeska6Information::CodeReplacementsFileName() const { return LocalSetting() + "CodeReplacements.xml"; }

std::string TVeska6Information::VeskaPropsFolder() const {
  std::string Custom = CustomVeskaPropsFolder();
  if (!Custom.empty()) return Custom;
  return JoinFolderPath(CommonDataFolder(), "VeskaProps");
}

std::string TVeska6Information::MyDocuments() const { return JoinFolderPath(MyFolderRoot(), "Мои Сметы"); }
std::string TVeska6Information::MyDocTemplates() const { return JoinFolderPath(MyFolderRoot(), "Мои шаблоны"); }
std::string TVeska6Information::MyExpTemplates() const { return JoinFolderPath(MyFolderRoot(), "Мои формы"); }
std::string TVeska6Information::MyNBTemplatesFolder() const { return JoinFolderPath(MyFolderRoot(), "Мои базы"); }

bool TVeska6Information::IsAppDataFolderHasWritePrivilege() const { return CheckFolderWritePrivilege(AppDataFolder()); }
bool TVeska6Information::IsNBCacheFolderHasWritePrivilege() const { return CheckFolderWritePrivilege(NBCacheFolder()); }

bool TVeska6Information::IsNBDataFolderHasWritePrivilege() const {
  return CheckFolderWritePrivilege(NormBasesFolder());
}

void TVeska6Information::GetAutoSaveFolderInfo(std::string& AText) const {
  const std::string Folder = AutoSaveFoder();
  std::int64_t Count = 0, Total = 0;
  for (const Platform::TFolderEntry& Entry : MatchingFiles(Folder, "*.tmp")) {
    ++Count;
    Total += static_cast<std::int64_t>(Entry.Size);
  }
  AddLine(AText, "    Каталог автосохранения:");
  AddLine(AText, "      - путь: " + Folder);
  AddLine(AText, "      - файлов: " + std::to_string(Count));
  AddLine(AText, "      - размер: " + FormatByteSize(Total));
}

void TVeska6Information::GetModulesState(const TXMLElement& ANode) const {
  const std::string Folder = DBaseFolder();
  // Built apart and attached when complete, so a base that fails to read leaves no half list.
  TXMLElement DBase = ANode.OwnerDocument().CreateElement("dbase");
  for (const Platform::TFolderEntry& Entry : MatchingFiles(Folder, "*" + GetDBaseExtension()))
    AddBaseItem(DBase, Folder + Entry.Name);
  TXMLElement Node = ANode;
  Node.AppendChild(DBase);
}

void TVeska6Information::GetModulesState(std::string& AText) const {
  std::vector<std::string> Files;
  try {
    CollectBaseFiles(DBaseFolder(), "*" + GetDBaseExtension(), 0, Files);
  } catch (const std::exception&) {
    // A report must come out even when the folder cannot be read: it then lists no bases.
    Files.clear();
  }
  AText += "    Список доступных баз:";
  if (Files.empty()) AText += "\r\n      - Отсутствуют";
  for (const std::string& File : Files) AText += "\r\n" + DescribeBase(File);
}

void LoadUserDataOverrides(const std::string& AFileName, TUserDataOverrides& AOverrides) {
  if (!Platform::FileExists(AFileName)) return;
  try {
    AOverrides = ReadUserDataFile(AFileName);
  } catch (...) {
    // A broken file must not keep the product from starting: the defaults serve.
    AOverrides = {};
  }
}

void LoadVeska6UserData() {
  LoadUserDataOverrides(TVeska6Information::Instance().UserDataFolderSettingFilename(), Veska6UserData());
}

void ClearVeska6UserData() { Veska6UserData() = {}; }

}  // namespace Quellit
