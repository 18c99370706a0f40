// The bytes of a small file as last read, to tell whether the file has changed since without
// reading it every time. Size and modification time are trusted only once the modification is
// older than the clock's coarse tick: two writes of the same size within one tick share a time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Platform/File.h"

namespace Quellit::Platform {

class TFileSnapshot {
 public:
  // A file larger than AMaxBytes is not read at all: it counts as a file that could not be read,
  // its reason saying so, so what a reader keeps in memory is bounded by its own limit.
  explicit TFileSnapshot(std::uint64_t AMaxBytes = UINT64_MAX) : FMaxBytes(AMaxBytes) {}

  // Looks at APath again; true when it differs from the last look (another path, contents,
  // existence or readability). The first look always counts as a change.
  bool Update(const std::string& APath);

  const std::string& Path() const { return FPath; }
  bool Exists() const { return FInfo.has_value(); }
  const std::string& Bytes() const { return FBytes; }
  // The error text when the file exists but could not be read.
  const std::optional<std::string>& ReadError() const { return FReadError; }

 private:
  std::uint64_t FMaxBytes;
  bool FTaken = false;
  bool FRecent = false;  // modified too recently for its time to tell one write from the next
  std::string FPath;
  std::optional<TFileInfo> FInfo;
  std::string FBytes;
  std::optional<std::string> FReadError;
};

}  // namespace Quellit::Platform
