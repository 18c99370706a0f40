// A file written beside the file it replaces and put in its place by one rename once complete, so
// the target is either left byte for byte as it was or replaced whole; never half written.
#pragma once

#include <string>

#include "Platform/File.h"

namespace Quellit::Platform {

// The one way the layer writes a file in place of another: a new file made exclusively beside the
// target, under SiblingPathOf, and put in its place by RenameIntoPlace once complete.

// "<target>.<pid>-<random>.tmp", a name nobody else picks; the target's own name is shortened when
// the whole would pass the file system's 255 bytes, or a target with a long name could never be
// written.
std::string SiblingPathOf(const std::string& ATarget);
// Renames the complete ASibling to ATarget. With AReplace a file or link there is replaced (a link
// is not followed); without, the rename happens only where nothing is, so a file that appeared
// meanwhile stays (an error IsAlreadyExists accepts). The folder's entries are flushed after a
// rename.
TOSResult RenameIntoPlace(const std::string& ASibling, const std::string& ATarget, bool AReplace);

class TReplacementFile {
 public:
  // Creates the sibling (SiblingPathOf) exclusively: an existing file or a link
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

  // Takes every write permission away from the new file through its open handle, never through a
  // name another user could have replaced by a link.
  void SetReadOnly();
  // Flushes, closes and renames the sibling onto the target (a link there is replaced, not
  // followed). With AOverwrite false an existing target stays and EOSError (already exists) is
  // raised.
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
