// File operations an update needs to stay a transaction: knowing what a path names without
// following a link, moving without replacing, and flushing folders and whole file systems.
//
// Single system calls answer their outcome with its error code; compound operations raise
// EOSError naming the path that failed.
#pragma once

#include <string>

#include "Platform/SystemError.h"

namespace Quellit::Platform {

// What a path itself is; a symbolic link is a link, whatever it points at (or whether it points
// anywhere at all).
enum class TPathKind { None, File, Folder, Link, Other };
TPathKind PathKindOf(const std::string& APath);

// Renames AOldPath to ANewPath only when nothing exists under ANewPath (a dangling link counts as
// something): an existing file is never replaced. A link AOldPath is moved as the link itself.
TOSResult RenameNoReplace(const std::string& AOldPath, const std::string& ANewPath);

// RenameNoReplace, and across file systems a copy of the file (bytes, permissions, times; a link as
// a link) into a new file beside ANewPath that is flushed and renamed in before AOldPath goes.
// Raises EOSError naming the path that failed; AOldPath then still holds the file.
void MoveFileNoReplace(const std::string& AOldPath, const std::string& ANewPath);

// Flushes a folder's own entries (names created, renamed or removed in it) to disk. Nothing to do
// on Windows, where the layer's renames are write-through.
void SyncFolder(const std::string& AFolder);
// Flushes everything written to the file system that holds APath. Raises EOSError. On Windows
// only an administrator may flush a volume; for others it does nothing more (every file the layer
// writes is flushed itself, every rename write-through).
void SyncFileSystemOf(const std::string& APath);

// A write beyond the file-size limit then fails with an error (file too large) the copy reports,
// instead of the signal ending the process half-way through a file. Windows has no such signal.
void IgnoreFileSizeLimitSignal();

// Ends the process at once, as a kill or a power cut would: no clean-up runs, nothing is flushed.
// The exit code is 137 on every platform (128 + SIGKILL on POSIX).
[[noreturn]] void KillProcessNow();

}  // namespace Quellit::Platform
