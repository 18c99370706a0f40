#include "Platform/NamedMutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "Platform/Environment.h"
#include "Platform/NativeName.h"
#include "Platform/Path.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {
namespace {

int OpenLockFile(const std::string& APath) {
  const std::string Native = NativePath(APath);
  int Descriptor;
  do {
    Descriptor = ::open(Native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
  } while (Descriptor < 0 && errno == EINTR);
  // In a sticky /tmp a lock file created by another user cannot be opened for writing, but a
  // read-only descriptor locks as well.
  if (Descriptor < 0 && errno == EACCES) Descriptor = ::open(Native.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (Descriptor < 0) RaiseOSError(errno, APath);
  return Descriptor;
}

}  // namespace

std::string TNamedMutex::LockPathOf(const std::string& AName) {
  // A name is one file name: separators in it must not lead elsewhere.
  std::string Name = AName;
  std::replace(Name.begin(), Name.end(), PathSeparator(), '_');
  return CombinePath(GetEnvOr("XDG_RUNTIME_DIR", "/tmp"), Name + ".lock");
}

TNamedMutex::TNamedMutex(const std::string& AName) : FLockPath(LockPathOf(AName)) {
  FDescriptor = OpenLockFile(FLockPath);
  int Result;
  do {
    Result = ::flock(FDescriptor, LOCK_EX | LOCK_NB);
  } while (Result != 0 && errno == EINTR);
  if (Result == 0) return;
  int Error = errno;
  if (Error != EWOULDBLOCK) {
    ::close(FDescriptor);
    RaiseOSError(Error, FLockPath);
  }
  FAlreadyExists = true;
}

TNamedMutex::~TNamedMutex() {
  // Closing the only descriptor of the open file releases its lock.
  if (FDescriptor >= 0) ::close(FDescriptor);
}

}  // namespace Quellit::Platform
