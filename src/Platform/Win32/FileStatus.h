// What the Win32 backend's file units ask the system about a path: the entry itself, or the file
// at the end of its links, and file times in the layer's form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Platform/File.h"
#include "Platform/Win32/SystemCall.h"

namespace Quellit::Platform {

struct TFileStatus {
  DWORD Attributes = 0;
  std::uint64_t Size = 0;
  FILETIME LastWriteTime {};
};

// The entry APath names itself: a reparse point (a link, a junction) is described, not followed.
std::optional<TFileStatus> OwnStatusOf(const std::string& APath);
// The file or folder at the end of APath's links; nothing when there is none (a dangling link).
std::optional<TFileStatus> FollowedStatusOf(const std::string& APath);
// Whether a reparse point plays the part of a symbolic link (a symbolic link or a junction);
// other reparse points (deduplicated or cloud files) are ordinary files to the layer.
bool IsLinkReparsePoint(const std::string& APath, DWORD AAttributes);

TFileTime FileTimeOf(const FILETIME& ATime);
FILETIME SystemFileTimeOf(const TFileTime& ATime);

// A handle that only asks about the file (no reading or writing), sharing everything so it
// disturbs no other user; AFollow false opens a reparse point itself. Invalid when it fails.
TScopedKernelHandle OpenForQuery(const std::string& APath, bool AFollow);

}  // namespace Quellit::Platform
