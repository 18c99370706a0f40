// A machine-wide named mutex: the product client holds one while it runs, and the update refuses
// to start while it is held.
#pragma once

#include <string>

#include "Lib/Common/Common.Object.h"
#include "Platform/ScopedHandle.h"

namespace Quellit::Platform {

// The object takes the mutex of AName when it is free and keeps it for its lifetime;
// AlreadyExists() tells that another holder (another process, or another TNamedMutex in this one)
// had it. A holder that dies, however it ends, lets the mutex go. Failures raise EOSError.
class TNamedMutex : public TObject {
 public:
  explicit TNamedMutex(const std::string& AName);
  TNamedMutex(const TNamedMutex&) = delete;
  TNamedMutex& operator=(const TNamedMutex&) = delete;
  ~TNamedMutex() override;

  bool AlreadyExists() const { return FAlreadyExists; }

 private:
  TScopedNativeHandle FHandle;
  bool FAlreadyExists = false;
};

}  // namespace Quellit::Platform
