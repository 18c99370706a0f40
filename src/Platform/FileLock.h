// An exclusive lock on a file that every user of the machine can take, so two processes of any
// two users that lock the same path see each other.
#pragma once

#include <string>

#include "Lib/Common/Common.Object.h"
#include "Platform/ScopedHandle.h"

namespace Quellit::Platform {

// Takes an advisory lock on APath when it is free and keeps it for the object's lifetime;
// Held() tells whether this object holds it. The file is created when missing with read and write
// for everybody whatever the umask, never through a symbolic link, and it stays afterwards:
// removing it would let two processes lock two different files of the same name. Failures to open
// the file raise EOSError naming it. On Windows the file takes the access list its folder gives,
// and the lock is a byte range beyond the file's data, so the file stays readable and writable.
class TFileLock : public TObject {
 public:
  explicit TFileLock(const std::string& APath);
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;
  ~TFileLock() override;

  bool Held() const { return FHeld; }
  const std::string& Path() const { return FPath; }

 private:
  TScopedNativeHandle FHandle;
  bool FHeld = false;
  std::string FPath;
};

}  // namespace Quellit::Platform
