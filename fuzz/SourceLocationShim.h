// Forced into every file of the fuzz build only. clang 14, the Debian compiler that brings
// libFuzzer, lacks the builtin that the standard library's std::source_location needs, so the
// library header defines nothing there; this stands in with the older builtins it does have.
#pragma once

#if defined(__clang__) && !__has_builtin(__builtin_source_location)
#include <cstdint>

namespace std {
struct source_location {
  static constexpr source_location current(const char* AFile = __builtin_FILE(),
                                           const char* AFunction = __builtin_FUNCTION(),
                                           std::uint_least32_t ALine = __builtin_LINE(),
                                           std::uint_least32_t AColumn = __builtin_COLUMN()) noexcept {
    source_location Result;
    Result.FFile = AFile;
    Result.FFunction = AFunction;
    Result.FLine = ALine;
    Result.FColumn = AColumn;
    return Result;
  }
  constexpr std::uint_least32_t line() const noexcept { return FLine; }
  constexpr std::uint_least32_t column() const noexcept { return FColumn; }
  constexpr const char* file_name() const noexcept { return FFile; }
  constexpr const char* function_name() const noexcept { return FFunction; }

 private:
  const char* FFile = "";
  const char* FFunction = "";
  std::uint_least32_t FLine = 0;
  std::uint_least32_t FColumn = 0;
};
}  // namespace std
#endif
