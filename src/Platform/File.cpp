#include "Platform/File.h"

#include <algorithm>

namespace Quellit::Platform {

std::vector<std::uint8_t> ReadAllBytes(const std::string& APath) {
  TFileHandle File(APath, TFileAccess::Read, TFileDisposition::OpenExisting);
  std::vector<std::uint8_t> Result(static_cast<std::size_t>(File.Size()));
  Result.resize(static_cast<std::size_t>(File.Read(Result.data(), static_cast<std::int64_t>(Result.size()))));
  // Files whose size is not known in advance (files the system generates as they are read) are read to their end.
  std::uint8_t Chunk[4096];
  for (std::int64_t Got; (Got = File.Read(Chunk, sizeof Chunk)) > 0;) Result.insert(Result.end(), Chunk, Chunk + Got);
  return Result;
}

std::vector<std::uint8_t> ReadFileStart(const std::string& APath, std::size_t AMaxBytes) {
  TFileHandle File(APath, TFileAccess::Read, TFileDisposition::OpenExisting);
  std::vector<std::uint8_t> Result(AMaxBytes);
  // Read returns less than asked only at the end of the file.
  Result.resize(static_cast<std::size_t>(File.Read(Result.data(), static_cast<std::int64_t>(AMaxBytes))));
  return Result;
}

std::optional<std::vector<std::uint8_t>> ReadAllBytesAtMost(const std::string& APath, std::size_t AMaxBytes) {
  TFileHandle File(APath, TFileAccess::Read, TFileDisposition::OpenExisting);
  if (File.Size() > AMaxBytes) return std::nullopt;
  std::vector<std::uint8_t> Result(static_cast<std::size_t>(File.Size()));
  Result.resize(static_cast<std::size_t>(File.Read(Result.data(), static_cast<std::int64_t>(Result.size()))));
  // The file may have grown since its size was taken: read on, one byte past the bound at most.
  std::uint8_t Chunk[4096];
  while (Result.size() <= AMaxBytes) {
    const std::size_t Want = std::min(sizeof Chunk, AMaxBytes + 1 - Result.size());
    const std::int64_t Got = File.Read(Chunk, static_cast<std::int64_t>(Want));
    if (Got <= 0) break;
    Result.insert(Result.end(), Chunk, Chunk + Got);
  }
  if (Result.size() > AMaxBytes) return std::nullopt;
  return Result;
}

}  // namespace Quellit::Platform

// The system calls: the handle itself, the questions about paths, deleting, renaming, links and
// the atomic write.
#include "File.inc"
