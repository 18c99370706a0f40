// What the backend's units that talk to the shell's COM objects share: the component library
// initialised for one call, interface pointers released whichever way a function leaves, and a
// failed HRESULT raised as EOSError.
#pragma once

#include "Platform/Win32/SystemCall.h"

#include <objbase.h>

#include <string>
#include <utility>

namespace Quellit::Platform {

// The error number an HRESULT carries: a wrapped Win32 error as itself, anything else as the
// HRESULT's bits (the system's message table knows both).
inline int ErrorCodeOfHResult(HRESULT AResult) {
  if (HRESULT_FACILITY(AResult) == FACILITY_WIN32) return static_cast<int>(HRESULT_CODE(AResult));
  return static_cast<int>(AResult);
}
inline void RaiseOnFailure(HRESULT AResult, const std::string& APath) {
  if (FAILED(AResult)) RaiseOSError(ErrorCodeOfHResult(AResult), APath);
}

// Initialises the component library on this thread for the scope, as a single-threaded apartment
// (the shell's objects want one). A thread already initialised in either model keeps it: only a
// call that initialised the library here releases it again.
class TComScope {
 public:
  TComScope() : FResult(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;
  ~TComScope() {
    if (SUCCEEDED(FResult)) ::CoUninitialize();
  }

 private:
  HRESULT FResult;  // RPC_E_CHANGED_MODE: initialised by someone else as a multi-threaded apartment
};

// The sole owner of one interface reference.
template <typename TInterface>
class TComPtr {
 public:
  TComPtr() = default;
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;
  ~TComPtr() {
    if (FPointer) FPointer->Release();
  }

  TInterface* operator->() const { return FPointer; }
  TInterface* Get() const { return FPointer; }
  // Where a creating call stores the reference; the old one goes first.
  TInterface** Receive() {
    if (FPointer) std::exchange(FPointer, nullptr)->Release();
    return &FPointer;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

 private:
  TInterface* FPointer = nullptr;
};

}  // namespace Quellit::Platform
