#include "Platform/Path.h"

#include <algorithm>

namespace Quellit::Platform {
namespace {

constexpr char Separator = '/';

bool IsDelimiter(char C) { return C == Separator; }

std::size_t NameStart(const std::string& APath) {
  std::size_t Pos = APath.find_last_of(Separator);
  return Pos == std::string::npos ? 0 : Pos + 1;
}

}  // namespace

char PathSeparator() { return Separator; }

bool IsPathSeparator(char C) { return IsDelimiter(C); }

std::string ToNativeSeparators(std::string APath) {
  std::replace(APath.begin(), APath.end(), '\\', Separator);
  return APath;
}

std::string IncludeTrailingPathDelimiter(const std::string& APath) {
  if (!APath.empty() && IsDelimiter(APath.back())) return APath;
  return APath + Separator;
}

std::string ExcludeTrailingPathDelimiter(const std::string& APath) {
  // The root keeps its separator: "" would mean the current folder instead.
  if (APath.size() > 1 && IsDelimiter(APath.back())) return APath.substr(0, APath.size() - 1);
  return APath;
}

std::string ExtractFilePath(const std::string& APath) { return APath.substr(0, NameStart(APath)); }

std::string ExtractFileName(const std::string& APath) { return APath.substr(NameStart(APath)); }

std::string ExtractFileExt(const std::string& APath) {
  std::size_t Start = NameStart(APath);
  std::size_t Dot = APath.find_last_of('.');
  if (Dot == std::string::npos || Dot < Start) return {};
  return APath.substr(Dot);
}

std::string ChangeFileExt(const std::string& APath, const std::string& AExtension) {
  std::size_t Start = NameStart(APath);
  std::size_t Dot = APath.find_last_of('.');
  if (Dot == std::string::npos || Dot < Start) return APath + AExtension;
  return APath.substr(0, Dot) + AExtension;
}

std::string CombinePath(const std::string& AFolder, const std::string& AName) {
  if (AFolder.empty()) return AName;
  std::size_t Skip = 0;
  while (Skip < AName.size() && IsDelimiter(AName[Skip])) ++Skip;
  return IncludeTrailingPathDelimiter(AFolder) + AName.substr(Skip);
}

bool IsAbsolutePath(const std::string& APath) { return !APath.empty() && IsDelimiter(APath.front()); }

// "//" names the root as well: POSIX leaves a leading pair to the implementation, and Linux reads
// it as "/".
bool IsRootFolder(const std::string& APath) {
  return !APath.empty() && std::all_of(APath.begin(), APath.end(), IsDelimiter);
}

}  // namespace Quellit::Platform
