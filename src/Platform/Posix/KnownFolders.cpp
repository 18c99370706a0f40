#include "Platform/KnownFolders.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string_view>
#include <vector>

#include "Platform/Environment.h"
#include "Platform/File.h"
#include "Platform/Path.h"
#include "Platform/Registry.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {
namespace {

constexpr const char* ShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Every trailing separator goes ("/home/u//" too); the root keeps its one.
std::string WithoutTrailingSeparator(std::string APath) {
  while (APath != ExcludeTrailingPathDelimiter(APath)) APath = ExcludeTrailingPathDelimiter(APath);
  return APath;
}

// The variable when it holds an absolute path (relative ones are invalid there), else the fallback.
std::string FolderFromEnvironment(const std::string& AVariable, const std::string& AFallback) {
  const std::string Value = GetEnvOr(AVariable, "");
  return WithoutTrailingSeparator(IsAbsolutePath(Value) ? Value : AFallback);
}

std::string InHome(const std::string& AName) { return CombinePath(HomeFolder(), AName); }

// The value of one "NAME=value" line of user-dirs.dirs: in double quotes with backslash escapes,
// as xdg-user-dirs writes it, or bare; "$HOME" at its start stands for the home folder. Anything
// else (relative paths, other variables) names no folder and gives "".
std::string UserDirsValue(std::string_view AText) {
  std::string Value;
  if (AText.starts_with('"')) {
    for (std::size_t I = 1; I < AText.size() && AText[I] != '"'; ++I) {
      if (AText[I] == '\\' && I + 1 < AText.size()) ++I;
      Value += AText[I];
    }
  } else {
    Value = std::string(AText.substr(0, AText.find_last_not_of(" \t\r") + 1));
  }
  if (Value == "$HOME" || Value.starts_with("$HOME/")) return HomeFolder() + Value.substr(5);
  return IsAbsolutePath(Value) ? Value : "";
}

// The folder the user's user-dirs.dirs ($XDG_CONFIG_HOME or ~/.config) gives AName, "" when it
// gives none (no file, no line, an unusable value). The last line naming it counts, as when a
// shell sources the file.
std::string UserDirsFolder(const std::string& AName) {
  std::string File = CombinePath(FolderFromEnvironment("XDG_CONFIG_HOME", InHome(".config")), "user-dirs.dirs");
  std::string Text;
  try {
    std::vector<std::uint8_t> Bytes = ReadAllBytes(File);
    Text.assign(Bytes.begin(), Bytes.end());
  } catch (const std::exception&) {
    return "";  // no such file (or unreadable): the next rule decides
  }
  std::string Result;
  std::string_view Rest = Text;
  while (!Rest.empty()) {
    std::size_t End = std::min(Rest.find('\n'), Rest.size());
    std::string_view Line = Rest.substr(0, End);
    Rest.remove_prefix(std::min(End + 1, Rest.size()));
    Line.remove_prefix(std::min(Line.find_first_not_of(" \t"), Line.size()));
    if (!Line.starts_with(AName)) continue;
    Line.remove_prefix(AName.size());
    Line.remove_prefix(std::min(Line.find_first_not_of(" \t"), Line.size()));
    if (!Line.starts_with('=')) continue;
    Line.remove_prefix(1);
    Line.remove_prefix(std::min(Line.find_first_not_of(" \t"), Line.size()));
    std::string Value = UserDirsValue(Line);
    if (!Value.empty()) Result = Value;
  }
  return Result;
}

// The registry's value first (the product's own platform keeps it there), then as freedesktop
// finds it: the variable, the user's user-dirs.dirs, ~/Desktop.
std::string DesktopFolder() {
  const std::string Registered = ReadRegistryString(TRegistryRoot::CurrentUser, ShellFoldersKey, "Desktop");
  if (!Registered.empty()) return WithoutTrailingSeparator(Registered);
  std::string FromUserDirs = UserDirsFolder("XDG_DESKTOP_DIR");
  return FolderFromEnvironment("XDG_DESKTOP_DIR", FromUserDirs.empty() ? InHome("Desktop") : FromUserDirs);
}

}  // namespace

std::string SpecialFolderPath(int ACsidl) {
  switch (ACsidl) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY: return DesktopFolder();
    case CSIDL_PERSONAL: return FolderFromEnvironment("XDG_DOCUMENTS_DIR", InHome("Documents"));
    case CSIDL_APPDATA: return FolderFromEnvironment("XDG_CONFIG_HOME", InHome(".config"));
    case CSIDL_COMMON_APPDATA: return FolderFromEnvironment("QUELLIT_COMMON_APPDATA", "/var/lib");
    case CSIDL_FONTS: return "/usr/share/wine/fonts";
    default: RaiseOSError(EINVAL);
  }
}

std::string TempFolderPath() { return IncludeTrailingPathDelimiter(FolderFromEnvironment("TMPDIR", "/tmp")); }

}  // namespace Quellit::Platform
