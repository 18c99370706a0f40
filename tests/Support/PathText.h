// std::filesystem::path and the UTF-8 strings of the libraries. Under MinGW a path made from a
// narrow string, and its string(), go through the ANSI code page; only the char8_t forms are UTF-8
// on every platform, so a test that mixes the two converts through these.
#pragma once

#include <filesystem>
#include <string>

namespace Quellit::Testing {

inline std::filesystem::path PathOf(const std::string& AUtf8) {
  return std::filesystem::path(std::u8string(AUtf8.begin(), AUtf8.end()));
}

inline std::string Utf8Of(const std::filesystem::path& APath) {
  const std::u8string Text = APath.u8string();
  return std::string(Text.begin(), Text.end());
}

// APath relative to AFolder, in UTF-8.
inline std::string RelativeUtf8(const std::string& APath, const std::string& AFolder) {
  return Utf8Of(std::filesystem::relative(PathOf(APath), PathOf(AFolder)));
}

}  // namespace Quellit::Testing
