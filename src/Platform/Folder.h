// Folders: listing in a stable order, wildcard masks, creation and removal.
//
// Single system calls (CreateDir, RemoveDir) answer their outcome with its error code, like
// DeleteFile; compound operations (ForceDirectories, RemoveFolderTree, ListFolder) raise EOSError
// naming the path that failed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Platform/File.h"

namespace Quellit::Platform {

struct TFolderEntry {
  std::string Name;
  bool IsFolder = false;
  bool IsHidden = false;     // name starts with "." (on Windows also: the hidden attribute)
  std::uint64_t Size = 0;    // 0 for folders
  TFileTime LastWriteTime;
};

// Every entry of the folder, hidden ones included, never "." and "..". Symbolic links are described
// by their targets; a dangling link is listed as a file of size 0. Sorted by CompareFolderNames, so
// every run lists the same payload in the same order. A missing folder (or a path naming a file)
// lists as empty, as a scan of an absent payload folder finds nothing; other failures (no permission)
// raise EOSError.
std::vector<TFolderEntry> ListFolder(const std::string& AFolder);

// The order NTFS keeps names in: each UTF-16 code unit upper-cased by simple Unicode case mapping
// (Cyrillic included), then compared as numbers. Names equal that way are ordered by their bytes so
// the order stays total.
int CompareFolderNames(const std::string& A, const std::string& B);

// "*" any run of characters, "?" exactly one; letter case ignored. A mask ending in ".*" also
// matches names without a dot, so "*.*" matches every name.
bool MatchesMask(const std::string& AName, const std::string& AMask);

TOSResult CreateDir(const std::string& APath);
// Removes an empty folder only.
TOSResult RemoveDir(const std::string& APath);
// Creates the folder and every missing parent; an existing folder is fine.
void ForceDirectories(const std::string& APath);
// Removes the folder with everything in it. Links inside are removed, never followed, so nothing
// outside the tree is touched. A missing folder is nothing to remove.
void RemoveFolderTree(const std::string& APath);

}  // namespace Quellit::Platform
