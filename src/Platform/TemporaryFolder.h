// Private folders below the temporary folder ($TMPDIR, else /tmp), for copies other local users
// must neither read nor redirect: the shared temporary folder lets anyone plant names and links.
#pragma once

#include <string>

namespace Quellit::Platform {

// A new folder "<temporary folder><APrefix>XXXXXX" with an unpredictable name that only this user
// may enter (mode 0700; on Windows an access list of this user and the system alone, nothing
// inherited); its path without a trailing separator. Raises EOSError on failure.
std::string CreatePrivateTemporaryFolder(const std::string& APrefix);

// Whether APath itself (a link does not count) is a folder owned by this user that nobody else
// may enter or write, so files made inside it cannot be tampered with by others.
bool IsPrivateFolder(const std::string& APath);

}  // namespace Quellit::Platform
