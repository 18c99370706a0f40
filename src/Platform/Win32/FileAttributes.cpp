// The read-only attribute itself; the file's other attributes are kept.
#include "Platform/FileAttributes.h"

#include "Platform/SystemError.h"
#include "Platform/Win32/SystemCall.h"
#include "Platform/Win32/WidePath.h"

namespace Quellit::Platform {

void SetFileReadOnly(const std::string& APath, bool AReadOnly) {
  const std::wstring Wide = WidePathOf(APath);
  const DWORD Attributes = ::GetFileAttributesW(Wide.c_str());
  if (Attributes == INVALID_FILE_ATTRIBUTES) RaiseOSError(static_cast<int>(::GetLastError()), APath);
  const DWORD Wanted = AReadOnly ? Attributes | FILE_ATTRIBUTE_READONLY : Attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  if (Wanted != Attributes && !::SetFileAttributesW(Wide.c_str(), Wanted)) RaiseOSError(static_cast<int>(::GetLastError()), APath);
}

}  // namespace Quellit::Platform
