// Access to files the update writes: every user of the machine may read and change them.
#pragma once

#include <string>

namespace Quellit::Platform {

// Adds read and write permission for owner, group and others; execute bits stay as they are.
// Raises EOSError naming the path when the file is missing, is a symbolic link (never followed)
// or its permissions cannot be changed.
void GrantEveryoneFullAccess(const std::string& APath);

}  // namespace Quellit::Platform
