#include "Platform/FileAttributes.h"

#include <sys/stat.h>

#include <cerrno>

#include "Platform/NativeName.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {

void SetFileReadOnly(const std::string& APath, bool AReadOnly) {
  const std::string Native = NativePath(APath);
  struct stat Info {};
  if (::stat(Native.c_str(), &Info) != 0) RaiseOSError(errno, APath);
  mode_t Mode = Info.st_mode & 07777;
  Mode = AReadOnly ? (Mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) : (Mode | S_IWUSR);
  if (::chmod(Native.c_str(), Mode) != 0) RaiseOSError(errno, APath);
}

}  // namespace Quellit::Platform
