// A machine-wide named mutex: the product client holds one while it runs, and the update refuses
// to start while it is held.
#pragma once

#include <string>

#include "Lib/Common/Common.Object.h"

namespace Quellit::Platform {

// An advisory lock on "<name>.lock" in $XDG_RUNTIME_DIR (or /tmp). The object takes the lock when
// it is free and keeps it for its lifetime; AlreadyExists() tells that another holder (another
// process, or another TNamedMutex in this one) had it. The lock file itself stays: removing it
// would let two processes lock two different files of the same name.
class TNamedMutex : public TObject {
 public:
  explicit TNamedMutex(const std::string& AName);
  TNamedMutex(const TNamedMutex&) = delete;
  TNamedMutex& operator=(const TNamedMutex&) = delete;
  ~TNamedMutex() override;

  bool AlreadyExists() const { return FAlreadyExists; }
  const std::string& LockPath() const { return FLockPath; }

  // Where the lock file of a name lives.
  static std::string LockPathOf(const std::string& AName);

 private:
  int FDescriptor = -1;
  bool FAlreadyExists = false;
  std::string FLockPath;
};

}  // namespace Quellit::Platform
