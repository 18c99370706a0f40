#include "Platform/KnownFolders.h"

#include <cerrno>

#include "Platform/Environment.h"
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

std::string DesktopFolder() {
  const std::string Registered = ReadRegistryString(TRegistryRoot::CurrentUser, ShellFoldersKey, "Desktop");
  if (!Registered.empty()) return WithoutTrailingSeparator(Registered);
  return FolderFromEnvironment("XDG_DESKTOP_DIR", InHome("Desktop"));
}

}  // namespace

std::string SpecialFolderPath(int ACsidl) {
  switch (ACsidl) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY: return DesktopFolder();
    case CSIDL_PERSONAL: return FolderFromEnvironment("XDG_DOCUMENTS_DIR", InHome("Documents"));
    case CSIDL_APPDATA: return FolderFromEnvironment("XDG_CONFIG_HOME", InHome(".config"));
    case CSIDL_COMMON_APPDATA: return FolderFromEnvironment("QUELLIT_COMMON_APPDATA", "/var/lib");
    default: RaiseOSError(EINVAL);
  }
}

std::string TempFolderPath() { return IncludeTrailingPathDelimiter(FolderFromEnvironment("TMPDIR", "/tmp")); }

}  // namespace Quellit::Platform
