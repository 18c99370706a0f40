// Sets environment variables for one test and puts the previous values back when it ends.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "Platform/Environment.h"

namespace Quellit::Testing {

class TScopedEnvironment {
 public:
  TScopedEnvironment() = default;
  TScopedEnvironment(const TScopedEnvironment&) = delete;
  TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;
  ~TScopedEnvironment() {
    for (const auto& [Name, Value] : FSaved) {
      if (Value)
        Platform::SetEnv(Name, *Value);
      else
        Platform::UnsetEnv(Name);
    }
  }

  void Set(const std::string& AName, const std::string& AValue) {
    Save(AName);
    Platform::SetEnv(AName, AValue);
  }
  void Unset(const std::string& AName) {
    Save(AName);
    Platform::UnsetEnv(AName);
  }

 private:
  void Save(const std::string& AName) {
    if (!FSaved.contains(AName)) FSaved[AName] = Platform::GetEnv(AName);
  }

  std::map<std::string, std::optional<std::string>> FSaved;
};

}  // namespace Quellit::Testing
