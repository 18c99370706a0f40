// Path texts. Paths are UTF-8; the native separator is "/" here. Relative paths written with "\"
// in settings files are turned into native ones with ToNativeSeparators.
#pragma once

#include <string>

namespace Quellit::Platform {

inline constexpr char PathDelim = '/';

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

}  // namespace Quellit::Platform
