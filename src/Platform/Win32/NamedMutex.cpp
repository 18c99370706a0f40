#include "Platform/NamedMutex.h"

#include "Platform/Win32/SystemCall.h"

namespace Quellit::Platform {

// The mutex is created not owned: whoever has a handle to it keeps it in existence, and that is
// what "held" means to the product client and to us. ERROR_ALREADY_EXISTS says another handle was
// open before ours; the system drops the object with its last handle, however the holder ends.
TNamedMutex::TNamedMutex(const std::string& AName) {
  HANDLE Mutex = ::CreateMutexW(nullptr, FALSE, WideOf(AName).c_str());
  if (!Mutex) {
    const DWORD Error = ::GetLastError();
    // Only an existing mutex can refuse us access (a client of another user guarding its own):
    // it is held all the same, and the update must not touch the client's files.
    if (Error != ERROR_ACCESS_DENIED) RaiseOSError(static_cast<int>(Error), AName);
    FAlreadyExists = true;
    return;
  }
  FAlreadyExists = ::GetLastError() == ERROR_ALREADY_EXISTS;
  FHandle.Reset(NativeHandleOf(Mutex));
}

TNamedMutex::~TNamedMutex() = default;

}  // namespace Quellit::Platform
