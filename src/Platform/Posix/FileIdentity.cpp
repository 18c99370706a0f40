#include "Platform/FileIdentity.h"

#include <sys/stat.h>

#include <cerrno>

#include "Platform/NativeName.h"
#include "Platform/Posix/SystemCall.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {

namespace {
TFileIdentity IdentityOf(const struct stat& AStat) {
  return TFileIdentity(static_cast<std::uint64_t>(AStat.st_dev), static_cast<std::uint64_t>(AStat.st_ino));
}
}  // namespace

TFileIdentity FileIdentityOf(const TFileHandle& AFile) {
  struct stat Info {};
  if (::fstat(DescriptorOf(AFile), &Info) != 0) RaiseOSError(errno, AFile.Path());
  return IdentityOf(Info);
}

std::optional<TFileIdentity> FileIdentityOf(const std::string& APath) {
  struct stat Info {};
  if (::stat(NativePath(APath).c_str(), &Info) != 0) return std::nullopt;
  return IdentityOf(Info);
}

}  // namespace Quellit::Platform
