#include "Platform/Environment.h"

#include <vector>

#include "Platform/Win32/SystemCall.h"

namespace Quellit::Platform {

// The CRT's environment copy (getenv) is narrow and in the ANSI code page, and misses what the
// wide functions set; the process block is the one truth every caller shares.
std::optional<std::string> GetEnv(const std::string& AName) {
  const std::wstring Name = WideOf(AName);
  std::vector<wchar_t> Buffer(256);
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD Length = ::GetEnvironmentVariableW(Name.c_str(), Buffer.data(), static_cast<DWORD>(Buffer.size()));
    if (Length == 0) {
      // An empty value answers 0 as well, but leaves no error.
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    // A value that did not fit answers the size it needs, terminator included; it may have grown
    // in between, so ask again until it fits.
    if (Length < Buffer.size()) return Utf8OfWide(std::wstring_view(Buffer.data(), Length));
    Buffer.resize(Length);
  }
}

std::string GetEnvOr(const std::string& AName, const std::string& ADefault) {
  auto Value = GetEnv(AName);
  return Value && !Value->empty() ? *Value : ADefault;
}

void SetEnv(const std::string& AName, const std::string& AValue) {
  ::SetEnvironmentVariableW(WideOf(AName).c_str(), WideOf(AValue).c_str());
}

void UnsetEnv(const std::string& AName) { ::SetEnvironmentVariableW(WideOf(AName).c_str(), nullptr); }

// The profile folder Windows gives every user ("C:\Users\name").
std::string HomeFolder() {
  if (auto Profile = GetEnv("USERPROFILE"); Profile && !Profile->empty()) return *Profile;
  const std::string Drive = GetEnvOr("HOMEDRIVE", ""), Path = GetEnvOr("HOMEPATH", "");
  if (!Drive.empty() && !Path.empty()) return Drive + Path;
  return GetEnvOr("SystemDrive", "C:") + "\\";
}

}  // namespace Quellit::Platform
