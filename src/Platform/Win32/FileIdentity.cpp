// A file is its volume's serial number and its index on that volume.
#include "Platform/FileIdentity.h"

#include "Platform/SystemError.h"
#include "Platform/Win32/FileStatus.h"
#include "Platform/Win32/SystemCall.h"

namespace Quellit::Platform {
namespace {

std::optional<TFileIdentity> IdentityOf(HANDLE AHandle) {
  BY_HANDLE_FILE_INFORMATION Info {};
  if (!::GetFileInformationByHandle(AHandle, &Info)) return std::nullopt;
  return TFileIdentity(Info.dwVolumeSerialNumber, (static_cast<std::uint64_t>(Info.nFileIndexHigh) << 32) | Info.nFileIndexLow);
}

}  // namespace

TFileIdentity FileIdentityOf(const TFileHandle& AFile) {
  const std::optional<TFileIdentity> Identity = IdentityOf(HandleOf(AFile));
  if (!Identity) RaiseOSError(static_cast<int>(::GetLastError()), AFile.Path());
  return *Identity;
}

std::optional<TFileIdentity> FileIdentityOf(const std::string& APath) {
  const TScopedKernelHandle File = OpenForQuery(APath, true);
  if (!File.IsValid()) return std::nullopt;
  return IdentityOf(File.Get());
}

}  // namespace Quellit::Platform
