// Which file a path or an open handle names: two names of one file share an identity, and a path
// that was renamed over or recreated since no longer has the identity it had.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Platform/File.h"

namespace Quellit::Platform {

struct TFileIdentity {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  bool operator==(const TFileIdentity&) const = default;
};

// The file the open handle refers to; raises EOSError naming its path when it cannot be asked.
TFileIdentity FileIdentityOf(const TFileHandle& AFile);
// The file the path names now (links followed); nothing when no file is there.
std::optional<TFileIdentity> FileIdentityOf(const std::string& APath);

}  // namespace Quellit::Platform
