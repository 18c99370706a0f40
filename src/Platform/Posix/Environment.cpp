#include "Platform/Environment.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "Platform/NativeName.h"

namespace Quellit::Platform {

std::optional<std::string> GetEnv(const std::string& AName) {
  const char* Value = std::getenv(AName.c_str());
  if (!Value) return std::nullopt;
  return PathFromNative(Value);
}

std::string GetEnvOr(const std::string& AName, const std::string& ADefault) {
  auto Value = GetEnv(AName);
  return Value && !Value->empty() ? *Value : ADefault;
}

void SetEnv(const std::string& AName, const std::string& AValue) { ::setenv(AName.c_str(), AValue.c_str(), 1); }

void UnsetEnv(const std::string& AName) { ::unsetenv(AName.c_str()); }

std::string HomeFolder() {
  if (auto Home = GetEnv("HOME"); Home && !Home->empty()) return *Home;
  if (const passwd* Entry = ::getpwuid(::getuid()); Entry && Entry->pw_dir) return PathFromNative(Entry->pw_dir);
  return "/";
}

}  // namespace Quellit::Platform
