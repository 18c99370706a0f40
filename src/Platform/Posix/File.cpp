#include "Platform/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "Platform/NativeName.h"
#include "Platform/Posix/SystemCall.h"
#include "Platform/Path.h"
#include "Platform/ReplacementFile.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {
namespace {

int AccessFlags(TFileAccess AAccess) {
  switch (AAccess) {
    case TFileAccess::Read: return O_RDONLY;
    case TFileAccess::Write: return O_WRONLY;
    case TFileAccess::ReadWrite: return O_RDWR;
  }
  return O_RDONLY;
}

int DispositionFlags(TFileDisposition ADisposition) {
  switch (ADisposition) {
    case TFileDisposition::OpenExisting: return 0;
    case TFileDisposition::CreateAlways: return O_CREAT | O_TRUNC;
    case TFileDisposition::OpenAlways: return O_CREAT;
    case TFileDisposition::CreateNew: return O_CREAT | O_EXCL;
  }
  return 0;
}

int OpenDescriptor(const std::string& APath, int AFlags) {
  const std::string Native = NativePath(APath);
  return RetryOnInterrupt([&] { return ::open(Native.c_str(), AFlags | O_CLOEXEC, 0666); });
}

TFileTime ModificationTime(const struct stat& AStat) {
  return {static_cast<std::int64_t>(AStat.st_mtim.tv_sec), static_cast<std::int32_t>(AStat.st_mtim.tv_nsec)};
}

// The rename that replaces a file needs only the folder's permission; the file's own protection is
// the user's word. A file nobody may write is read-only even for the administrator, as on the
// product's platform; otherwise the real user's own right to write it decides.
void RefuseProtectedFile(const std::string& ATarget, const struct stat& AExisting, const std::string& APath) {
  if ((AExisting.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) RaiseOSError(EACCES, APath);
  if (::access(NativePath(ATarget).c_str(), W_OK) != 0) RaiseOSError(errno, APath);
}

// A replaced file keeps its owner and group, where we may set them (giving a file away takes the
// administrator), and its permission bits.
void KeepOwnerAndMode(const TFileHandle& AFile, const struct stat& AExisting) {
  if (AExisting.st_uid != ::geteuid() || AExisting.st_gid != ::getegid()) {
    if (::fchown(DescriptorOf(AFile), AExisting.st_uid, AExisting.st_gid) != 0) {
      // Not ours to give: the new file stays the saving user's, as any file they write.
    }
  }
  if (::fchmod(DescriptorOf(AFile), AExisting.st_mode & 07777) != 0) RaiseOSError(errno, AFile.Path());
}

}  // namespace

void TDescriptorPolicy::Close(int ADescriptor) noexcept { ::close(ADescriptor); }
void TNativeHandlePolicy::Close(TNativeHandle AHandle) noexcept { ::close(DescriptorOf(AHandle)); }

TFileHandle::TFileHandle(const std::string& APath, TFileAccess AAccess, TFileDisposition ADisposition)
    : FPath(APath) {
  // Non-blocking only while opening: a named pipe without a writer would otherwise hang the open.
  TScopedDescriptor Opened(OpenDescriptor(APath, AccessFlags(AAccess) | DispositionFlags(ADisposition) | O_NONBLOCK));
  if (!Opened.IsValid()) RaiseOSError(errno, APath);
  struct stat Info {};
  const bool Stated = ::fstat(Opened.Get(), &Info) == 0;
  // Pipes and sockets are no files to read or copy: their data never ends and cannot be mapped.
  if (!Stated || S_ISFIFO(Info.st_mode) || S_ISSOCK(Info.st_mode)) RaiseOSError(Stated ? EINVAL : errno, APath);
  ::fcntl(Opened.Get(), F_SETFL, ::fcntl(Opened.Get(), F_GETFL) & ~O_NONBLOCK);
  FHandle.Reset(Opened.Release());
}

std::int64_t TFileHandle::Read(void* ABuffer, std::int64_t ACount) {
  auto* Cursor = static_cast<char*>(ABuffer);
  std::int64_t Done = 0;
  while (Done < ACount) {
    const ssize_t Got =
        RetryOnInterrupt([&] { return ::read(DescriptorOf(*this), Cursor + Done, static_cast<std::size_t>(ACount - Done)); });
    if (Got < 0) RaiseOSError(errno, FPath);
    if (Got == 0) break;
    Done += Got;
  }
  return Done;
}

std::int64_t TFileHandle::Write(const void* ABuffer, std::int64_t ACount) {
  const auto* Cursor = static_cast<const char*>(ABuffer);
  std::int64_t Done = 0;
  while (Done < ACount) {
    const ssize_t Put =
        RetryOnInterrupt([&] { return ::write(DescriptorOf(*this), Cursor + Done, static_cast<std::size_t>(ACount - Done)); });
    if (Put < 0) RaiseOSError(errno, FPath);
    Done += Put;
  }
  return Done;
}

std::int64_t TFileHandle::Seek(std::int64_t AOffset, TSeekOrigin AOrigin) {
  int Whence = AOrigin == TSeekOrigin::Begin ? SEEK_SET : AOrigin == TSeekOrigin::Current ? SEEK_CUR : SEEK_END;
  off_t Position = ::lseek(DescriptorOf(*this), static_cast<off_t>(AOffset), Whence);
  if (Position < 0) RaiseOSError(errno, FPath);
  return Position;
}

std::uint64_t TFileHandle::Size() const {
  struct stat Info {};
  if (::fstat(DescriptorOf(*this), &Info) != 0) RaiseOSError(errno, FPath);
  return static_cast<std::uint64_t>(Info.st_size);
}

void TFileHandle::SetSize(std::uint64_t ASize) {
  if (RetryOnInterrupt([&] { return ::ftruncate(DescriptorOf(*this), static_cast<off_t>(ASize)); }) != 0) RaiseOSError(errno, FPath);
}

void TFileHandle::Flush() {
  if (::fsync(DescriptorOf(*this)) != 0) RaiseOSError(errno, FPath);
}

void TFileHandle::Close() {
  if (!FHandle.IsValid()) return;
  // The descriptor is gone even when close reports an error (EINTR included): never retry.
  if (::close(DescriptorOf(FHandle.Release())) != 0 && errno != EINTR) RaiseOSError(errno, FPath);
}

bool FileExists(const std::string& APath) {
  struct stat Info {};
  return ::stat(NativePath(APath).c_str(), &Info) == 0 && !S_ISDIR(Info.st_mode);
}

bool DirectoryExists(const std::string& APath) {
  struct stat Info {};
  return ::stat(NativePath(APath).c_str(), &Info) == 0 && S_ISDIR(Info.st_mode);
}

std::optional<TFileInfo> GetFileInfo(const std::string& APath) {
  struct stat Info {};
  if (::stat(NativePath(APath).c_str(), &Info) != 0) return std::nullopt;
  TFileInfo Result;
  Result.IsDirectory = S_ISDIR(Info.st_mode);
  Result.IsHidden = ExtractFileName(ExcludeTrailingPathDelimiter(APath)).starts_with('.');
  Result.IsReadOnly = (Info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  Result.Size = Result.IsDirectory ? 0 : static_cast<std::uint64_t>(Info.st_size);
  Result.LastWriteTime = ModificationTime(Info);
  return Result;
}

TOSResult DeleteFile(const std::string& APath) {
  // Folders are not files: unlink would refuse anyway, but with another code on each system.
  if (DirectoryExists(APath)) return TOSResult::Failure(EISDIR);
  return ResultOfCall(::unlink(NativePath(APath).c_str()));
}

TOSResult RenameFile(const std::string& AOldPath, const std::string& ANewPath) {
  return ResultOfCall(::rename(NativePath(AOldPath).c_str(), NativePath(ANewPath).c_str()));
}

std::vector<std::uint8_t> ReadAllBytes(const std::string& APath) {
  TFileHandle File(APath, TFileAccess::Read, TFileDisposition::OpenExisting);
  std::vector<std::uint8_t> Result(static_cast<std::size_t>(File.Size()));
  Result.resize(static_cast<std::size_t>(File.Read(Result.data(), static_cast<std::int64_t>(Result.size()))));
  // Files whose size is not known in advance (such as /proc entries) are read to their end.
  std::uint8_t Chunk[4096];
  for (std::int64_t Got; (Got = File.Read(Chunk, sizeof Chunk)) > 0;) Result.insert(Result.end(), Chunk, Chunk + Got);
  return Result;
}

std::optional<std::vector<std::uint8_t>> ReadAllBytesAtMost(const std::string& APath, std::size_t AMaxBytes) {
  TFileHandle File(APath, TFileAccess::Read, TFileDisposition::OpenExisting);
  if (File.Size() > AMaxBytes) return std::nullopt;
  std::vector<std::uint8_t> Result(static_cast<std::size_t>(File.Size()));
  Result.resize(static_cast<std::size_t>(File.Read(Result.data(), static_cast<std::int64_t>(Result.size()))));
  // The file may have grown since its size was taken: read on, one byte past the bound at most.
  std::uint8_t Chunk[4096];
  while (Result.size() <= AMaxBytes) {
    const std::size_t Want = std::min(sizeof Chunk, AMaxBytes + 1 - Result.size());
    const std::int64_t Got = File.Read(Chunk, static_cast<std::int64_t>(Want));
    if (Got <= 0) break;
    Result.insert(Result.end(), Chunk, Chunk + Got);
  }
  if (Result.size() > AMaxBytes) return std::nullopt;
  return Result;
}

std::string ResolveSymbolicLinkChain(const std::string& APath) {
  std::string Path = APath;
  // As many links as the kernel itself follows before it gives up with ELOOP.
  for (int Hops = 0; Hops < 40; ++Hops) {
    struct stat Info {};
    const std::string Native = NativePath(Path);
    if (::lstat(Native.c_str(), &Info) != 0 || !S_ISLNK(Info.st_mode)) return Path;
    std::string Target(static_cast<std::size_t>(Info.st_size > 0 ? Info.st_size : 255) + 1, '\0');
    const ssize_t Length = ::readlink(Native.c_str(), Target.data(), Target.size());
    if (Length < 0) RaiseOSError(errno, Path);
    if (static_cast<std::size_t>(Length) == Target.size()) RaiseOSError(ENAMETOOLONG, Path);  // grew meanwhile
    Target.resize(static_cast<std::size_t>(Length));
    Target = PathFromNative(Target);
    // A relative target is relative to the folder holding the link.
    Path = Target.starts_with('/') ? Target : ExtractFilePath(Path) + Target;
  }
  RaiseOSError(ELOOP, APath);
}

void WriteAllBytesAtomic(const std::string& APath, const void* AData, std::size_t ASize) {
  // A link is saved through: its target is replaced in the target's own folder, the link stays.
  const std::string Target = ResolveSymbolicLinkChain(APath);
  struct stat Existing {};
  const bool Replacing = ::stat(NativePath(Target).c_str(), &Existing) == 0;
  if (Replacing) RefuseProtectedFile(Target, Existing, APath);
  const std::string Temporary = SiblingPathOf(Target);
  try {
    TFileHandle File(Temporary, TFileAccess::Write, TFileDisposition::CreateNew);
    // A new file gets our owner and the umask's permission bits.
    if (Replacing) KeepOwnerAndMode(File, Existing);
    File.Write(AData, static_cast<std::int64_t>(ASize));
    File.Flush();
    File.Close();
    RenameIntoPlace(Temporary, Target, true).RaiseOnFailure(APath);
  } catch (...) {
    ::unlink(NativePath(Temporary).c_str());
    throw;
  }
}

std::vector<std::uint8_t> ReadFileStart(const std::string& APath, std::size_t AMaxBytes) {
  TFileHandle File(APath, TFileAccess::Read, TFileDisposition::OpenExisting);
  std::vector<std::uint8_t> Result(AMaxBytes);
  // Read returns less than asked only at the end of the file.
  Result.resize(static_cast<std::size_t>(File.Read(Result.data(), static_cast<std::int64_t>(AMaxBytes))));
  return Result;
}

}  // namespace Quellit::Platform
