// The read-only attribute of a file. On POSIX a file is read-only when nobody may write it (the
// state TFileInfo::IsReadOnly reports); the other permission bits are kept. On Windows it is the
// file's read-only attribute; its other attributes are kept.
#pragma once

#include <string>

namespace Quellit::Platform {

// Read-only takes every write permission away; clearing it gives the owner write permission back.
// Raises EOSError naming the path when the file is missing or its mode cannot be changed.
void SetFileReadOnly(const std::string& APath, bool AReadOnly);

}  // namespace Quellit::Platform
