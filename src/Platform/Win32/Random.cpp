#include "Platform/Random.h"

#include "Platform/SystemError.h"
#include "Platform/Win32/SystemCall.h"

// The system's generator (advapi32's SystemFunction036), declared as ntsecapi.h would.
extern "C" BOOLEAN WINAPI SystemFunction036(PVOID ABuffer, ULONG ALength);

namespace Quellit::Platform {

void FillRandom(std::uint8_t* ABuffer, std::size_t ASize) {
  if (!::SystemFunction036(ABuffer, static_cast<ULONG>(ASize))) RaiseOSError(static_cast<int>(::GetLastError()));
}

}  // namespace Quellit::Platform
