// Where the POSIX backend keeps a named mutex: an advisory lock (flock) on "<name>.lock" in
// $XDG_RUNTIME_DIR, or /tmp without it. The lock file stays after use: removing it would let two
// processes lock two different files of the same name.
#pragma once

#include <string>

namespace Quellit::Platform {

// The lock file of the mutex AName; separators in the name are replaced, so it stays one file name.
std::string NamedMutexLockFile(const std::string& AName);

}  // namespace Quellit::Platform
