#include "Platform/NamedMutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "Platform/Environment.h"
#include "Platform/NativeName.h"
#include "Platform/Path.h"
#include "Platform/Posix/SystemCall.h"
#include "Platform/Posix/NamedMutexLockFile.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {
namespace {

TScopedDescriptor OpenLockFile(const std::string& APath) {
  const std::string Native = NativePath(APath);
  TScopedDescriptor Descriptor(
      RetryOnInterrupt([&] { return ::open(Native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666); }));
  // In a sticky /tmp a lock file created by another user cannot be opened for writing, but a
  // read-only descriptor locks as well.
  if (!Descriptor.IsValid() && errno == EACCES) Descriptor.Reset(::open(Native.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!Descriptor.IsValid()) RaiseOSError(errno, APath);
  return Descriptor;
}

}  // namespace

std::string NamedMutexLockFile(const std::string& AName) {
  // A name is one file name: separators in it must not lead elsewhere.
  std::string Name = AName;
  std::replace(Name.begin(), Name.end(), PathSeparator(), '_');
  return CombinePath(GetEnvOr("XDG_RUNTIME_DIR", "/tmp"), Name + ".lock");
}

TNamedMutex::TNamedMutex(const std::string& AName) {
  const std::string LockFile = NamedMutexLockFile(AName);
  TScopedDescriptor Descriptor = OpenLockFile(LockFile);
  if (RetryOnInterrupt([&] { return ::flock(Descriptor.Get(), LOCK_EX | LOCK_NB); }) != 0) {
    if (errno != EWOULDBLOCK) RaiseOSError(errno, LockFile);
    FAlreadyExists = true;
  }
  FHandle.Reset(Descriptor.Release());
}

// Closing the only descriptor of the open file releases its lock.
TNamedMutex::~TNamedMutex() = default;

}  // namespace Quellit::Platform
