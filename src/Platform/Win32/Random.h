// The system's random source for names nobody can guess and fresh identifiers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Platform/Win32/SystemCall.h"

// The system's generator (advapi32's SystemFunction036), declared as ntsecapi.h would.
extern "C" BOOLEAN WINAPI SystemFunction036(PVOID ABuffer, ULONG ALength);

namespace Quellit::Platform {

// Fills the buffer from the system's cryptographic generator; EOSError when it fails.
inline void FillRandom(std::uint8_t* ABuffer, std::size_t ASize) {
  if (!::SystemFunction036(ABuffer, static_cast<ULONG>(ASize))) RaiseOSError(static_cast<int>(::GetLastError()));
}

}  // namespace Quellit::Platform
