// Process environment. The only place that reads or sets environment variables.
#pragma once

#include <optional>
#include <string>

namespace Quellit::Platform {

std::optional<std::string> GetEnv(const std::string& AName);
// The variable's value, or ADefault when it is unset or empty.
std::string GetEnvOr(const std::string& AName, const std::string& ADefault);
void SetEnv(const std::string& AName, const std::string& AValue);
void UnsetEnv(const std::string& AName);
// The user's home folder ($HOME, else the password database; on Windows the profile folder,
// %USERPROFILE%), without a trailing separator.
std::string HomeFolder();

}  // namespace Quellit::Platform
