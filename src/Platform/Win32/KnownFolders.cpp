#include "Platform/KnownFolders.h"

#include "Platform/Path.h"
#include "Platform/Registry.h"
#include "Platform/Win32/ComCall.h"

#include <shlobj.h>

namespace Quellit::Platform {
namespace {

constexpr const char* ShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

bool IsKnown(int ACsidl) {
  switch (ACsidl) {
    case CSIDL_DESKTOP:
    case CSIDL_PERSONAL:
    case CSIDL_DESKTOPDIRECTORY:
    case CSIDL_FONTS:
    case CSIDL_APPDATA:
    case CSIDL_COMMON_APPDATA: return true;
    default: return false;
  }
}

// Every trailing separator goes; a drive's root ("C:\") keeps its one.
std::string WithoutTrailingSeparator(std::string APath) {
  while (APath != ExcludeTrailingPathDelimiter(APath) && !IsRootFolder(APath))
    APath = ExcludeTrailingPathDelimiter(APath);
  return APath;
}

// The folder as it is now, never created: a folder the user removed is not made again behind
// their back. The shell's answer for a missing folder is its error.
std::string ShellFolder(int ACsidl) {
  wchar_t Path[MAX_PATH] = {};
  const HRESULT Result = ::SHGetFolderPathW(nullptr, ACsidl, nullptr, SHGFP_TYPE_CURRENT, Path);
  if (Result != S_OK) RaiseOSError(FAILED(Result) ? ErrorCodeOfHResult(Result) : ERROR_PATH_NOT_FOUND);
  return WithoutTrailingSeparator(Utf8OfWide(Path));
}

// The desktop the product's own shortcuts go to is the one the per-user "Shell Folders" key
// names; the shell's answer stands in when the value is missing, so no shortcut lands in the
// root of the current drive.
std::string DesktopFolder() {
  const std::string Registered = ReadRegistryString(TRegistryRoot::CurrentUser, ShellFoldersKey, "Desktop");
  if (!Registered.empty()) return WithoutTrailingSeparator(Registered);
  return ShellFolder(CSIDL_DESKTOPDIRECTORY);
}

}  // namespace

std::string SpecialFolderPath(int ACsidl) {
  if (!IsKnown(ACsidl)) RaiseOSError(ERROR_INVALID_PARAMETER);
  if (ACsidl == CSIDL_DESKTOP || ACsidl == CSIDL_DESKTOPDIRECTORY) return DesktopFolder();
  return ShellFolder(ACsidl);
}

std::string TempFolderPath() {
  wchar_t Path[MAX_PATH + 1] = {};
  const DWORD Length = ::GetTempPathW(MAX_PATH + 1, Path);
  if (Length == 0) RaiseOSError(static_cast<int>(::GetLastError()));
  if (Length > MAX_PATH) RaiseOSError(ERROR_BUFFER_OVERFLOW);
  return IncludeTrailingPathDelimiter(Utf8OfWide(std::wstring_view(Path, Length)));
}

}  // namespace Quellit::Platform
