// Handles of the operating system as the layer's interface sees them: an opaque number, owned by one
// scoped object that closes it, so no class closes a handle by hand.
#pragma once

#include <cstdint>
#include <utility>

namespace Quellit::Platform {

// A handle as the backend keeps it (whatever number or handle its system gives). Outside the backend
// it only compares: equal numbers are the same open handle.
using TNativeHandle = std::intptr_t;
inline constexpr TNativeHandle InvalidNativeHandle = -1;

// The sole owner of a handle, closed through TPolicy::Close when it is reset or goes; it moves and
// never copies. TPolicy gives THandle, Invalid() and a Close that cannot fail its caller: a
// destructor cannot report an error, so a close whose error matters is done explicitly first.
template <typename TPolicy>
class TScopedHandle {
 public:
  using THandle = typename TPolicy::THandle;

  TScopedHandle() = default;
  explicit TScopedHandle(THandle AHandle) : FHandle(AHandle) {}
  TScopedHandle(TScopedHandle&& AOther) noexcept : FHandle(AOther.Release()) {}
  TScopedHandle& operator=(TScopedHandle&& AOther) noexcept {
    if (this != &AOther) Reset(AOther.Release());
    return *this;
  }
  TScopedHandle(const TScopedHandle&) = delete;
  TScopedHandle& operator=(const TScopedHandle&) = delete;
  ~TScopedHandle() { Reset(); }

  bool IsValid() const { return FHandle != TPolicy::Invalid(); }
  THandle Get() const { return FHandle; }
  // Gives the handle up without closing it.
  THandle Release() { return std::exchange(FHandle, TPolicy::Invalid()); }
  void Reset(THandle AHandle = TPolicy::Invalid()) noexcept {
    const THandle Old = std::exchange(FHandle, AHandle);
    if (Old != TPolicy::Invalid()) TPolicy::Close(Old);
  }

 private:
  THandle FHandle = TPolicy::Invalid();
};

// The backend's handles of files, locks and mappings.
struct TNativeHandlePolicy {
  using THandle = TNativeHandle;
  static constexpr THandle Invalid() { return InvalidNativeHandle; }
  static void Close(THandle AHandle) noexcept;  // defined by the backend
};
using TScopedNativeHandle = TScopedHandle<TNativeHandlePolicy>;

}  // namespace Quellit::Platform
