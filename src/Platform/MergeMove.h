// Moving a folder's content back over another folder (restoring saved files over a product folder).
#pragma once

#include <string>

namespace Quellit::Platform {

// Moves every file below ASourceFolder to the same relative path below ATargetFolder: folders are
// merged, existing files replaced, missing folders created. Within one file system a file is
// renamed; across file systems it is copied byte for byte (with its permissions and modification
// time) into a temporary file beside the target, flushed, renamed over the target, and only then is
// the source deleted, so a failure never loses a file. Sub-folders emptied by the move are removed;
// ASourceFolder itself stays. A missing source folder is nothing to move.
//
// A file that cannot be moved stays in the source and the move goes on with the others, so one
// locked file does not keep the rest from being restored; afterwards the first failure is raised as
// EOSError naming its path. Running the move again moves what remained. On Windows the shell moves
// the content (with undo, without questions); what it leaves is then moved file by file.
void MergeMove(const std::string& ASourceFolder, const std::string& ATargetFolder);

}  // namespace Quellit::Platform
