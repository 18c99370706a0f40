// Which file a path or an open handle names: two names of one file share an identity, and a path
// that was renamed over or recreated since no longer has the identity it had.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Platform/File.h"

namespace Quellit::Platform {

// Opaque: two identities only compare. The backend fills in the volume and the file's number on it.
class TFileIdentity {
 public:
  TFileIdentity(std::uint64_t AVolume, std::uint64_t AFile) : FVolume(AVolume), FFile(AFile) {}
  bool operator==(const TFileIdentity&) const = default;

 private:
  std::uint64_t FVolume;
  std::uint64_t FFile;
};

// The file the open handle refers to; raises EOSError naming its path when it cannot be asked.
TFileIdentity FileIdentityOf(const TFileHandle& AFile);
// The file the path names now (links followed); nothing when no file is there.
std::optional<TFileIdentity> FileIdentityOf(const std::string& APath);

}  // namespace Quellit::Platform
