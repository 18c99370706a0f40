#include "Platform/Path.h"

#include <algorithm>

namespace Quellit::Platform {
namespace {

// Where the name part begins: after the last separator of this platform, or at the start.
std::size_t NameStart(const std::string& APath) {
  auto Last = std::find_if(APath.rbegin(), APath.rend(), IsPathSeparator);
  return static_cast<std::size_t>(APath.rend() - Last);
}

}  // namespace

std::string IncludeTrailingPathDelimiter(const std::string& APath) {
  if (!APath.empty() && IsPathSeparator(APath.back())) return APath;
  return APath + PathSeparator();
}

std::string ExcludeTrailingPathDelimiter(const std::string& APath) {
  // The root keeps its separator: "" would mean the current folder instead.
  if (APath.size() > 1 && IsPathSeparator(APath.back())) return APath.substr(0, APath.size() - 1);
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
  while (Skip < AName.size() && IsPathSeparator(AName[Skip])) ++Skip;
  return IncludeTrailingPathDelimiter(AFolder) + AName.substr(Skip);
}

}  // namespace Quellit::Platform

// What the system's paths look like: the separator, absolute paths, the root.
#include "Path.inc"
