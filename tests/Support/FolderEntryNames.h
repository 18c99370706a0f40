// The names of a folder listing, in its order, for comparing listings with a list of names.
#pragma once

#include <string>
#include <vector>

#include "Platform/Folder.h"

namespace Quellit::Testing {

inline std::vector<std::string> Names(const std::vector<Platform::TFolderEntry>& AEntries) {
  std::vector<std::string> Result;
  for (const Platform::TFolderEntry& Entry : AEntries) Result.push_back(Entry.Name);
  return Result;
}

}  // namespace Quellit::Testing
