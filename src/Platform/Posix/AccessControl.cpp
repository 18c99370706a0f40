#include "Platform/AccessControl.h"

#include <sys/stat.h>

#include <cerrno>

#include "Platform/NativeName.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {

void GrantEveryoneFullAccess(const std::string& APath) {
  const std::string Native = NativePath(APath);
  struct stat Info {};
  if (::lstat(Native.c_str(), &Info) != 0) RaiseOSError(errno, APath);
  // chmod would change whatever a link points at, possibly a file outside the product.
  if (S_ISLNK(Info.st_mode)) RaiseOSError(ELOOP, APath);
  // Set-id bits are dropped: a file anybody may rewrite must not run with its owner's rights.
  mode_t Mode = (Info.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO | S_ISVTX)) | S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP |
                S_IROTH | S_IWOTH;
  if (::chmod(Native.c_str(), Mode) != 0) RaiseOSError(errno, APath);
}

}  // namespace Quellit::Platform
