// A temporary folder for one test, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <stdexcept>
#include <system_error>

#include "Platform/Folder.h"
#include "Platform/Guid.h"
#include "Platform/KnownFolders.h"
#include "Platform/Path.h"

namespace Quellit::Testing {

// The layer's UTF-8 path text as a file-system path and back. The narrow forms of
// std::filesystem::path are in the ANSI code page on Windows, not UTF-8.
inline std::filesystem::path FileSystemPathOf(const std::string& APath) {
  return std::filesystem::path(std::u8string(APath.begin(), APath.end()));
}
inline std::string PathTextOf(const std::filesystem::path& APath) {
  const std::u8string Text = APath.u8string();
  return std::string(Text.begin(), Text.end());
}

class TScratchFolder {
 public:
  TScratchFolder() {
    // A fresh random name: no two tests, even in parallel runs, share a folder.
    FPath = Platform::TempFolderPath() + "quellit-test-" + Platform::NewGuid().ToString().substr(1, 36);
    if (!Platform::CreateDir(FPath)) throw std::runtime_error("cannot create the scratch folder " + FPath);
  }
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;
  ~TScratchFolder() {
    std::error_code Ignored;
    // Restore permissions that a test may have taken away, so everything can be removed.
    for (auto It = std::filesystem::recursive_directory_iterator(FileSystemPathOf(FPath), Ignored);
         It != std::filesystem::recursive_directory_iterator(); It.increment(Ignored))
      std::filesystem::permissions(It->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, Ignored);
    std::filesystem::remove_all(FileSystemPathOf(FPath), Ignored);
  }

  // The folder, without a trailing separator.
  const std::string& Path() const { return FPath; }
  std::string operator/(const std::string& AName) const { return Platform::JoinPath(FPath, AName); }

  // Writes AContent to the relative path, creating folders on the way; returns the full path.
  std::string Write(const std::string& ARelative, const std::string& AContent) const {
    std::filesystem::path Full = FileSystemPathOf(FPath) / FileSystemPathOf(ARelative);
    std::filesystem::create_directories(Full.parent_path());
    std::ofstream Out(Full, std::ios::binary);
    Out << AContent;
    return PathTextOf(Full.make_preferred());
  }

  static std::string Read(const std::string& AFullPath) {
    // Through the stream buffer in one go: a character iterator is slow on large files in the
    // sanitizer build.
    std::ifstream In(FileSystemPathOf(AFullPath), std::ios::binary);
    std::ostringstream Content;
    if (In) Content << In.rdbuf();
    return std::move(Content).str();
  }

 private:
  std::string FPath;
};

}  // namespace Quellit::Testing
