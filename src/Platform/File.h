// Files: handles opened with the platform's sharing modes, sizes, times, deletion, whole-file
// reads and atomic writes (temporary file, flush, one rename).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Platform/ScopedHandle.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {

enum class TFileAccess { Read, Write, ReadWrite };
// POSIX has no mandatory share modes: every handle shares reading and writing with others. On
// Windows a reader shares reading only (a file being written cannot be opened for reading, nor one
// being read for writing), a writer shares reading and writing, and an open file is neither
// deleted nor renamed by others.
enum class TFileDisposition {
  OpenExisting,    // fails when the file is missing
  CreateAlways,    // creates or truncates
  OpenAlways,      // opens, creating when missing
  CreateNew        // fails when the file exists
};
enum class TSeekOrigin { Begin, Current, End };

// Seconds and nanoseconds since 1970-01-01 UTC.
struct TFileTime {
  std::int64_t Seconds = 0;
  std::int32_t Nanoseconds = 0;
};

struct TFileInfo {
  bool IsDirectory = false;
  bool IsHidden = false;       // name starts with "." (on Windows also: the hidden attribute)
  bool IsReadOnly = false;     // no write permission for anybody (on Windows: the read-only attribute)
  std::uint64_t Size = 0;
  TFileTime LastWriteTime;
};

// An open file; closed by the destructor. Failures raise EOSError naming the path.
class TFileHandle {
 public:
  TFileHandle() = default;
  TFileHandle(const std::string& APath, TFileAccess AAccess, TFileDisposition ADisposition);
  // A destructor cannot report: callers who care about close errors call Close().
  TFileHandle(TFileHandle&& AOther) noexcept = default;
  TFileHandle& operator=(TFileHandle&& AOther) noexcept = default;
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;
  ~TFileHandle() = default;

  bool IsOpen() const { return FHandle.IsValid(); }
  const std::string& Path() const { return FPath; }
  // For the layer's own services that work on an open file (mappings, identities).
  TNativeHandle NativeHandle() const { return FHandle.Get(); }

  // Reads up to ACount bytes; fewer only at the end of the file. Retries interrupted calls.
  std::int64_t Read(void* ABuffer, std::int64_t ACount);
  // Writes all ACount bytes or raises.
  std::int64_t Write(const void* ABuffer, std::int64_t ACount);
  std::int64_t Seek(std::int64_t AOffset, TSeekOrigin AOrigin);
  std::uint64_t Size() const;
  void SetSize(std::uint64_t ASize);
  void Flush();
  // Asks the system to start writing AOffset..AOffset+ALength to the disk and returns without
  // waiting, so a later flush has less left to wait for. Only a hint: nothing is reported, and the
  // flush still decides what is durable.
  void StartWriteBack(std::uint64_t AOffset, std::uint64_t ALength) noexcept;
  void Close();

 private:
  TScopedNativeHandle FHandle;
  std::string FPath;
};

bool FileExists(const std::string& APath);        // a file, not a folder
bool DirectoryExists(const std::string& APath);
std::optional<TFileInfo> GetFileInfo(const std::string& APath);
// Deletes a file; a folder is no file (the error IsAFolderError names).
TOSResult DeleteFile(const std::string& APath);
// Renames, replacing a file under ANewPath.
TOSResult RenameFile(const std::string& AOldPath, const std::string& ANewPath);
std::vector<std::uint8_t> ReadAllBytes(const std::string& APath);
// At most AMaxBytes from the start of the file, for files of which only the beginning counts (the
// first line of a naming file): a huge or endless file costs no more than that.
std::vector<std::uint8_t> ReadFileStart(const std::string& APath, std::size_t AMaxBytes);
// The whole file when it holds at most AMaxBytes bytes, else nothing: a larger file is not read
// past the bound (nor at all when its size says so), so a huge or growing file costs no more.
std::optional<std::vector<std::uint8_t>> ReadAllBytesAtMost(const std::string& APath, std::size_t AMaxBytes);
// The path a chain of symbolic links ends at (APath itself when it is no link); a relative link is
// read relative to its own folder. The end may not exist (a dangling link). EOSError (too many
// levels of links) for a chain that does not end.
std::string ResolveSymbolicLinkChain(const std::string& APath);
// Writes through a temporary file in the same folder and one rename, so readers never see half a
// file. The one rule for every file users keep:
// - a file the user could not write (the real user has no write permission, or nobody has) is not
//   replaced: EOSError (a permission error) and the file is unchanged;
// - a symbolic link is saved through: the end of its chain is replaced in that file's own folder
//   (a dangling link creates it) and the link stays;
// - a replaced file keeps its permission bits, and its owner where the saving user may set it.
void WriteAllBytesAtomic(const std::string& APath, const void* AData, std::size_t ASize);

}  // namespace Quellit::Platform
