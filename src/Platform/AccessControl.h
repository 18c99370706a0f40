// Access to files the update writes: every user of the machine may read and change them.
#pragma once

#include <string>

namespace Quellit::Platform {

// POSIX: adds read and write permission for owner, group and others; execute bits stay as they
// are. Windows: the file's access list becomes one entry, Everyone with full control; owner, group
// and audit settings stay. Raises EOSError naming the path when the file is missing, is a symbolic
// link or reparse point (never followed) or its permissions cannot be changed.
void GrantEveryoneFullAccess(const std::string& APath);

}  // namespace Quellit::Platform
