#include "Platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "Platform/NativeName.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {
namespace {

int OpenLockFile(const std::string& APath) {
  int Descriptor;
  do {
    Descriptor = ::open(NativePath(APath).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
  } while (Descriptor < 0 && errno == EINTR);
  // Another user's lock file in a folder we may only read still locks through a read-only descriptor.
  if (Descriptor < 0 && (errno == EACCES || errno == EROFS))
    Descriptor = ::open(NativePath(APath).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (Descriptor < 0) RaiseOSError(errno, APath);
  struct stat Info {};
  if (::fstat(Descriptor, &Info) != 0) {
    int Error = errno;
    ::close(Descriptor);
    RaiseOSError(Error, APath);
  }
  // A pipe or a device in its place is no lock file.
  if (!S_ISREG(Info.st_mode)) {
    ::close(Descriptor);
    RaiseOSError(EINVAL, APath);
  }
  // The umask of whoever created it first must not keep other users out; only the owner may change it.
  if (Info.st_uid == ::geteuid() && (Info.st_mode & 0666) != 0666) ::fchmod(Descriptor, 0666);
  return Descriptor;
}

}  // namespace

TFileLock::TFileLock(const std::string& APath) : FPath(APath) {
  FDescriptor = OpenLockFile(APath);
  int Result;
  do {
    Result = ::flock(FDescriptor, LOCK_EX | LOCK_NB);
  } while (Result != 0 && errno == EINTR);
  if (Result == 0) {
    FHeld = true;
    return;
  }
  int Error = errno;
  if (Error == EWOULDBLOCK) return;
  ::close(FDescriptor);
  FDescriptor = -1;
  RaiseOSError(Error, APath);
}

TFileLock::~TFileLock() {
  if (FDescriptor >= 0) ::close(FDescriptor);
}

}  // namespace Quellit::Platform
