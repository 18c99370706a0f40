// Path texts: the one vocabulary every path of the system is built with. Paths are UTF-8 in memory
// on every platform; a backend converts them only at the system call. Code outside the layer never
// writes a separator as a literal: it joins names with JoinPath / JoinFolderPath, asks
// PathSeparator() / IsPathSeparator(), and turns the "\" of relative paths read from settings files
// into native ones with ToNativeSeparators. The product's own paths keep the native separator, in
// logs too.
#pragma once

#include <string>

namespace Quellit::Platform {

// The native separator ("/" here).
char PathSeparator();
// True for a character that separates path parts on this platform ("/" here; "\" and "/" on Windows).
bool IsPathSeparator(char C);

std::string ToNativeSeparators(std::string APath);
std::string IncludeTrailingPathDelimiter(const std::string& APath);
std::string ExcludeTrailingPathDelimiter(const std::string& APath);
// Folder part including its last separator ("a/b/c.txt" -> "a/b/"); "" when there is none.
std::string ExtractFilePath(const std::string& APath);
// Name part after the last separator.
std::string ExtractFileName(const std::string& APath);
// Extension of the name part, dot included (".txt"); "" when there is none.
std::string ExtractFileExt(const std::string& APath);
std::string ChangeFileExt(const std::string& APath, const std::string& AExtension);
// Joins with exactly one separator between the parts.
std::string CombinePath(const std::string& AFolder, const std::string& AName);
bool IsAbsolutePath(const std::string& APath);
// The top of a file-system tree ("/" here), the folder nothing lies above.
bool IsRootFolder(const std::string& APath);

// Joins every part with exactly one separator between two parts: JoinPath("a/", "b", "c.txt")
// is "a/b/c.txt". An empty first part leaves the rest relative.
template <class... TParts>
std::string JoinPath(const std::string& AFirst, const TParts&... ARest) {
  std::string Result = AFirst;
  ((Result = CombinePath(Result, ARest)), ...);
  return Result;
}

// The same for a folder, ending with a separator as the product writes its folders:
// JoinFolderPath(Root, "Data") is Root + "Data/".
template <class... TParts>
std::string JoinFolderPath(const std::string& AFirst, const TParts&... ARest) {
  return IncludeTrailingPathDelimiter(JoinPath(AFirst, ARest...));
}

}  // namespace Quellit::Platform
