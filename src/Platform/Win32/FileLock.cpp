// The lock is a byte range far beyond any data the file could hold: locks on Windows are
// mandatory, and a lock over the data would keep even the holder's other handles from reading
// and writing the file.
#include "Platform/FileLock.h"

#include "Platform/SystemError.h"
#include "Platform/Win32/SystemCall.h"
#include "Platform/Win32/WidePath.h"

namespace Quellit::Platform {
namespace {

constexpr DWORD LockOffsetHigh = 0x40000000;  // 2^62

// Shares everything, deletion included: the lock file is a name to meet at, and nobody's open
// handle should keep another user from taking or dropping the lock.
constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE OpenLockHandle(const std::wstring& APath, DWORD AAccess, DWORD ACreation) {
  // A reparse point in the lock's place is opened itself and then refused, never followed.
  return ::CreateFileW(APath.c_str(), AAccess, ShareAll, nullptr, ACreation,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

TScopedKernelHandle OpenLockFile(const std::string& APath) {
  const std::wstring Wide = WidePathOf(APath);
  TScopedKernelHandle Handle(OpenLockHandle(Wide, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS));
  // Another user's lock file in a folder we may only read still locks through a read-only handle.
  if (!Handle.IsValid() && ::GetLastError() == ERROR_ACCESS_DENIED) Handle.Reset(OpenLockHandle(Wide, GENERIC_READ, OPEN_EXISTING));
  if (!Handle.IsValid()) RaiseOSError(static_cast<int>(::GetLastError()), APath);
  BY_HANDLE_FILE_INFORMATION Info {};
  if (!::GetFileInformationByHandle(Handle.Get(), &Info)) RaiseOSError(static_cast<int>(::GetLastError()), APath);
  // A link, a folder or a device in its place is no lock file.
  if ((Info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
      ::GetFileType(Handle.Get()) != FILE_TYPE_DISK)
    RaiseOSError(ERROR_INVALID_PARAMETER, APath);
  return Handle;
}

}  // namespace

// The file gets the access list its folder gives new files: the folders the layer locks in are
// shared by every user of the machine by their own lists.
TFileLock::TFileLock(const std::string& APath) : FPath(APath) {
  TScopedKernelHandle Handle = OpenLockFile(APath);
  OVERLAPPED Range {};
  Range.OffsetHigh = LockOffsetHigh;
  if (::LockFileEx(Handle.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &Range)) {
    FHeld = true;
  } else if (const DWORD Error = ::GetLastError(); Error != ERROR_LOCK_VIOLATION) {
    RaiseOSError(static_cast<int>(Error), APath);
  }
  FHandle.Reset(NativeHandleOf(Handle.Release()));
}

// Closing the handle releases its lock.
TFileLock::~TFileLock() = default;

}  // namespace Quellit::Platform
