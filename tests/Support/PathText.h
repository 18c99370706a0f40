// Relative paths in the layer's UTF-8 path text (std::filesystem's narrow forms are the ANSI code
// page on Windows).
#pragma once

#include <filesystem>
#include <string>

#include "Support/ScratchFolder.h"

namespace Quellit::Testing {

// APath relative to AFolder.
inline std::string RelativeUtf8(const std::string& APath, const std::string& AFolder) {
  return PathTextOf(std::filesystem::relative(FileSystemPathOf(APath), FileSystemPathOf(AFolder)));
}

}  // namespace Quellit::Testing
