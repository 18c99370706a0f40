#include "App/dlgEasySetup.Settings.h"

#include "Lib/Common/Common.SysUtils.h"
#include "Platform/File.h"
#include "Platform/IniFile.h"
#include "Platform/Path.h"

namespace Quellit {

namespace {

using Platform::TIniFile;

// Values come from a file written for the product's platform, so "\" separates folders there.
std::string PayloadPath(const std::string& AValue) { return Platform::ToNativeSeparators(AValue); }

std::vector<std::string> ReadAutoLinks(const TIniFile& AIni, const std::string& AProductPayload) {
  std::vector<std::string> Keys = AIni.ReadSection("links");
  std::vector<std::string> Result;
  // Keys only have to be distinct; what is kept is each value that names something in the payload.
  for (const std::string& Key : Keys) {
    std::string Value = PayloadPath(AIni.ReadString("links", Key, ""));
    if (Platform::FileExists(AProductPayload + Value))
      Result.push_back(Value);
    else if (std::string Folder = Platform::IncludeTrailingPathDelimiter(Value);
             Platform::DirectoryExists(AProductPayload + Folder))
      Result.push_back(Folder);
  }
  return Result;
}

std::vector<std::string> ReadAutoConnections(const TIniFile& AIni, const std::string& AProductPayload) {
  std::vector<std::string> Keys = AIni.ReadSection("connections");
  std::vector<std::string> Result;
  for (const std::string& Key : Keys) {
    std::string Value = PayloadPath(AIni.ReadString("connections", Key, ""));
    bool IsHost = SameText(Value, KorvelSiteHost);
    if (!Value.empty() && !IsHost) Value = Platform::IncludeTrailingPathDelimiter(Value);
    if (IsHost || Platform::DirectoryExists(AProductPayload + Platform::IncludeTrailingPathDelimiter(Value)))
      Result.push_back(Value);
  }
  return Result;
}

}  // namespace

TEasySetupSettings ReadEasySetupSettings(const std::string& AExeDir, const std::string& AProductPayload) {
  TEasySetupSettings Result;
  std::string FileName = AExeDir + "settings.ini";
  if (!Platform::FileExists(FileName)) return Result;
  TIniFile Ini(FileName);
  Result.ShowLinksDialog = Ini.ReadBool("links", "showdialog", true);
  Result.ShowConnectionsDialog = Ini.ReadBool("connections", "showdialog", true);
  Result.AutoLinks = ReadAutoLinks(Ini, AProductPayload);
  Result.AutoConnections = ReadAutoConnections(Ini, AProductPayload);
  Result.ExternalFileExts = Ini.ReadString("CommonSettings.XML", "ExternalFileExts", "");
  return Result;
}

}  // namespace Quellit
