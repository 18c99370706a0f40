// What every unit of the POSIX backend shares about system calls: the scoped descriptor, the one
// retry of interrupted calls, a call's outcome as a value, and the descriptor behind the
// interface's opaque handles.
#pragma once

#include <cerrno>
#include <type_traits>

#include "Platform/File.h"
#include "Platform/ScopedHandle.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {

struct TDescriptorPolicy {
  using THandle = int;
  static constexpr int Invalid() { return -1; }
  static void Close(int ADescriptor) noexcept;
};
// A descriptor of a function's own, closed whichever way the function leaves.
using TScopedDescriptor = TScopedHandle<TDescriptorPolicy>;

// Calls ACall again while it fails with EINTR (a signal arrived before it could do anything);
// returns its last result, errno telling the failure as the call left it.
template <typename TCall>
auto RetryOnInterrupt(TCall&& ACall) -> decltype(ACall()) {
  decltype(ACall()) Result;
  do {
    Result = ACall();
  } while (Result == -1 && errno == EINTR);
  return Result;
}

// The outcome of a call that answers 0 on success and -1 with errno on failure.
inline TOSResult ResultOfCall(int ACallResult) { return ACallResult == 0 ? TOSResult() : TOSResult::Failure(errno); }

inline int DescriptorOf(TNativeHandle AHandle) { return static_cast<int>(AHandle); }
inline int DescriptorOf(const TFileHandle& AFile) { return DescriptorOf(AFile.NativeHandle()); }

}  // namespace Quellit::Platform
