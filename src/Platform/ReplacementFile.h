// A file written beside the file it replaces and put in its place by one rename once complete, so
// the target is either left byte for byte as it was or replaced whole; never half written.
#pragma once

#include <string>

#include "Platform/File.h"

namespace Quellit::Platform {

class TReplacementFile {
 public:
  // Creates the sibling "<target>.<pid>-<random>.tmp" exclusively: an existing file or a link
  // planted under that name makes the creation fail, and nothing is followed. A replaced target's
  // permission bits are kept; a new file gets the umask's. Raises EOSError naming the sibling.
  explicit TReplacementFile(std::string ATarget);
  TReplacementFile(const TReplacementFile&) = delete;
  TReplacementFile& operator=(const TReplacementFile&) = delete;
  // Removes the sibling unless it was committed (a destructor cannot report an error).
  ~TReplacementFile();

  TFileHandle& Handle() { return FHandle; }
  const std::string& Target() const { return FTarget; }
  const std::string& TemporaryPath() const { return FTemporary; }

  // Takes every write permission away from the new file through its descriptor, never through a
  // name another user could have replaced by a link.
  void SetReadOnly();
  // Flushes, closes and renames the sibling onto the target (a link there is replaced, not
  // followed). With AOverwrite false an existing target stays and EOSError (EEXIST) is raised.
  void Commit(bool AOverwrite = true);
  // Removes the sibling; the target is untouched.
  void Discard();

 private:
  std::string FTarget;
  std::string FTemporary;
  TFileHandle FHandle;
  bool FDone = false;
};

}  // namespace Quellit::Platform
