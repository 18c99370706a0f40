// Paths of the tests on every platform: relative paths in the layer's UTF-8 path text
// (std::filesystem's narrow forms are the ANSI code page on Windows), expected paths in the
// platform's separators.
#pragma once

#include <filesystem>
#include <string>
#include <utility>

#include "Platform/Path.h"
#include "Support/ScratchFolder.h"

namespace Quellit::Testing {

// APath relative to AFolder.
inline std::string RelativeUtf8(const std::string& APath, const std::string& AFolder) {
  return PathTextOf(std::filesystem::relative(FileSystemPathOf(APath), FileSystemPathOf(AFolder)));
}

// An expected path written with "/", in the platform's own separators.
inline std::string NativePath(std::string APath) { return Platform::ToNativeSeparators(std::move(APath)); }

// An absolute path outside the sandbox, written POSIX-style ("/opt/x"), as this platform spells it:
// on Windows with a drive first, since a bare root there is relative to the current drive.
inline std::string AbsoluteSample(const std::string& APosixPath) {
#ifdef _WIN32
  return "C:" + NativePath(APosixPath);
#else
  return APosixPath;
#endif
}

}  // namespace Quellit::Testing
