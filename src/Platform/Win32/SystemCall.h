// What every unit of the Win32 backend shares about system calls: text converted at the call (the
// layer's UTF-8 to the wide functions' UTF-16 and back), the scoped handle, a call's outcome as a
// value, and the handle behind the interface's opaque handles.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The layer has a DeleteFile of its own; the wide function is called by its own name.
#undef DeleteFile

#include <string>
#include <string_view>

#include "Lib/Text/Text.Engine.h"
#include "Platform/File.h"
#include "Platform/ScopedHandle.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {

// The layer's UTF-8 as the wide functions take it. Bytes that are not UTF-8 cannot name anything
// on Windows; they become U+FFFD, so such a name fails as a missing file rather than naming another.
inline std::wstring WideOf(std::string_view AText) {
  const std::u16string Wide = Text::Utf8ToUtf16(AText);
  return std::wstring(Wide.begin(), Wide.end());
}
// A wide text of the system as the layer's UTF-8.
inline std::string Utf8OfWide(std::wstring_view AText) {
  return Text::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(AText.data()), AText.size()));
}

// A kernel handle of a function's own, closed whichever way the function leaves.
struct TKernelHandlePolicy {
  using THandle = HANDLE;
  static THandle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(THandle AHandle) noexcept { ::CloseHandle(AHandle); }
};
using TScopedKernelHandle = TScopedHandle<TKernelHandlePolicy>;

// The outcome of a call that answers a BOOL and leaves its error in GetLastError.
inline TOSResult ResultOfCall(BOOL ACallResult) {
  return ACallResult ? TOSResult() : TOSResult::Failure(static_cast<int>(::GetLastError()));
}
inline TOSResult LastErrorResult() { return TOSResult::Failure(static_cast<int>(::GetLastError())); }

inline HANDLE HandleOf(TNativeHandle AHandle) { return reinterpret_cast<HANDLE>(AHandle); }
inline HANDLE HandleOf(const TFileHandle& AFile) { return HandleOf(AFile.NativeHandle()); }
inline TNativeHandle NativeHandleOf(HANDLE AHandle) { return reinterpret_cast<TNativeHandle>(AHandle); }

}  // namespace Quellit::Platform
