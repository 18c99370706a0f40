#include "Platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "Platform/NativeName.h"
#include "Platform/Posix/SystemCall.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {
namespace {

TScopedDescriptor OpenLockFile(const std::string& APath) {
  const std::string Native = NativePath(APath);
  TScopedDescriptor Descriptor(RetryOnInterrupt(
      [&] { return ::open(Native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666); }));
  // Another user's lock file in a folder we may only read still locks through a read-only descriptor.
  if (!Descriptor.IsValid() && (errno == EACCES || errno == EROFS))
    Descriptor.Reset(::open(Native.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (!Descriptor.IsValid()) RaiseOSError(errno, APath);
  struct stat Info {};
  if (::fstat(Descriptor.Get(), &Info) != 0) RaiseOSError(errno, APath);
  // A pipe or a device in its place is no lock file.
  if (!S_ISREG(Info.st_mode)) RaiseOSError(EINVAL, APath);
  // The umask of whoever created it first must not keep other users out; only the owner may change it.
  if (Info.st_uid == ::geteuid() && (Info.st_mode & 0666) != 0666) ::fchmod(Descriptor.Get(), 0666);
  return Descriptor;
}

}  // namespace

TFileLock::TFileLock(const std::string& APath) : FPath(APath) {
  TScopedDescriptor Descriptor = OpenLockFile(APath);
  if (RetryOnInterrupt([&] { return ::flock(Descriptor.Get(), LOCK_EX | LOCK_NB); }) == 0) {
    FHeld = true;
  } else if (errno != EWOULDBLOCK) {
    RaiseOSError(errno, APath);
  }
  FHandle.Reset(Descriptor.Release());
}

// Closing the only descriptor of the open file releases its lock.
TFileLock::~TFileLock() = default;

}  // namespace Quellit::Platform
