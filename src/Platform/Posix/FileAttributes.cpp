#include "Platform/FileAttributes.h"

#include <sys/stat.h>

#include <cerrno>

#include "Platform/SystemError.h"

namespace Quellit::Platform {

void SetFileReadOnly(const std::string& APath, bool AReadOnly) {
  struct stat Info {};
  if (::stat(APath.c_str(), &Info) != 0) RaiseOSError(errno, APath);
  mode_t Mode = Info.st_mode & 07777;
  Mode = AReadOnly ? (Mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) : (Mode | S_IWUSR);
  if (::chmod(APath.c_str(), Mode) != 0) RaiseOSError(errno, APath);
}

}  // namespace Quellit::Platform
