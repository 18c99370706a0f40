#include "Platform/File.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "Lib/Common/Common.Format.h"
#include "Platform/NativeName.h"
#include "Platform/Path.h"
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
  int Descriptor;
  do {
    Descriptor = ::open(NativePath(APath).c_str(), AFlags | O_CLOEXEC, 0666);
  } while (Descriptor < 0 && errno == EINTR);
  return Descriptor;
}

TFileTime ModificationTime(const struct stat& AStat) {
  return {static_cast<std::int64_t>(AStat.st_mtim.tv_sec), static_cast<std::int32_t>(AStat.st_mtim.tv_nsec)};
}

// A name nobody else picks: the target's name, the process id and random bits.
std::string TemporarySibling(const std::string& APath) {
  std::uint64_t Random = 0;
  if (::getrandom(&Random, sizeof Random, 0) != static_cast<ssize_t>(sizeof Random)) Random ^= static_cast<std::uint64_t>(::getpid());
  return Format("%s.%u-%x.tmp", APath, static_cast<unsigned>(::getpid()), Random);
}

void SyncFolder(const std::string& AFolder) {
  int Descriptor = OpenDescriptor(AFolder.empty() ? std::string(".") : AFolder, O_RDONLY | O_DIRECTORY);
  if (Descriptor < 0) return;  // best effort: the rename itself has been done
  ::fsync(Descriptor);
  ::close(Descriptor);
}

}  // namespace

TFileHandle::TFileHandle(const std::string& APath, TFileAccess AAccess, TFileDisposition ADisposition)
    : FPath(APath) {
  // Non-blocking only while opening: a named pipe without a writer would otherwise hang the open.
  FDescriptor = OpenDescriptor(APath, AccessFlags(AAccess) | DispositionFlags(ADisposition) | O_NONBLOCK);
  if (FDescriptor < 0) RaiseOSError(errno, APath);
  struct stat Info {};
  const bool Stated = ::fstat(FDescriptor, &Info) == 0;
  // Pipes and sockets are no files to read or copy: their data never ends and cannot be mapped.
  if (!Stated || S_ISFIFO(Info.st_mode) || S_ISSOCK(Info.st_mode)) {
    const int Error = Stated ? EINVAL : errno;
    ::close(std::exchange(FDescriptor, -1));
    RaiseOSError(Error, APath);
  }
  ::fcntl(FDescriptor, F_SETFL, ::fcntl(FDescriptor, F_GETFL) & ~O_NONBLOCK);
}

TFileHandle::TFileHandle(TFileHandle&& AOther) noexcept
    : FDescriptor(AOther.FDescriptor), FPath(std::move(AOther.FPath)) {
  AOther.FDescriptor = -1;
}

TFileHandle& TFileHandle::operator=(TFileHandle&& AOther) noexcept {
  if (this != &AOther) {
    if (FDescriptor >= 0) ::close(FDescriptor);
    FDescriptor = AOther.FDescriptor;
    FPath = std::move(AOther.FPath);
    AOther.FDescriptor = -1;
  }
  return *this;
}

TFileHandle::~TFileHandle() {
  // A destructor cannot report: callers who care about close errors call Close().
  if (FDescriptor >= 0) ::close(FDescriptor);
}

std::int64_t TFileHandle::Read(void* ABuffer, std::int64_t ACount) {
  auto* Cursor = static_cast<char*>(ABuffer);
  std::int64_t Done = 0;
  while (Done < ACount) {
    ssize_t Got = ::read(FDescriptor, Cursor + Done, static_cast<std::size_t>(ACount - Done));
    if (Got < 0) {
      if (errno == EINTR) continue;
      RaiseOSError(errno, FPath);
    }
    if (Got == 0) break;
    Done += Got;
  }
  return Done;
}

std::int64_t TFileHandle::Write(const void* ABuffer, std::int64_t ACount) {
  const auto* Cursor = static_cast<const char*>(ABuffer);
  std::int64_t Done = 0;
  while (Done < ACount) {
    ssize_t Put = ::write(FDescriptor, Cursor + Done, static_cast<std::size_t>(ACount - Done));
    if (Put < 0) {
      if (errno == EINTR) continue;
      RaiseOSError(errno, FPath);
    }
    Done += Put;
  }
  return Done;
}

std::int64_t TFileHandle::Seek(std::int64_t AOffset, TSeekOrigin AOrigin) {
  int Whence = AOrigin == TSeekOrigin::Begin ? SEEK_SET : AOrigin == TSeekOrigin::Current ? SEEK_CUR : SEEK_END;
  off_t Position = ::lseek(FDescriptor, static_cast<off_t>(AOffset), Whence);
  if (Position < 0) RaiseOSError(errno, FPath);
  return Position;
}

std::uint64_t TFileHandle::Size() const {
  struct stat Info {};
  if (::fstat(FDescriptor, &Info) != 0) RaiseOSError(errno, FPath);
  return static_cast<std::uint64_t>(Info.st_size);
}

void TFileHandle::SetSize(std::uint64_t ASize) {
  int Result;
  do {
    Result = ::ftruncate(FDescriptor, static_cast<off_t>(ASize));
  } while (Result != 0 && errno == EINTR);
  if (Result != 0) RaiseOSError(errno, FPath);
}

void TFileHandle::Flush() {
  if (::fsync(FDescriptor) != 0) RaiseOSError(errno, FPath);
}

void TFileHandle::Close() {
  if (FDescriptor < 0) return;
  int Descriptor = FDescriptor;
  FDescriptor = -1;
  // The descriptor is gone even when close reports an error (EINTR included): never retry.
  if (::close(Descriptor) != 0 && errno != EINTR) RaiseOSError(errno, FPath);
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

bool DeleteFile(const std::string& APath) {
  // Folders are not files: unlink would refuse anyway, but say so without touching errno's meaning.
  if (DirectoryExists(APath)) {
    errno = EISDIR;
    return false;
  }
  return ::unlink(NativePath(APath).c_str()) == 0;
}

bool RenameFile(const std::string& AOldPath, const std::string& ANewPath) {
  return ::rename(NativePath(AOldPath).c_str(), NativePath(ANewPath).c_str()) == 0;
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

void WriteAllBytesAtomic(const std::string& APath, const void* AData, std::size_t ASize) {
  std::string Temporary = TemporarySibling(APath);
  try {
    TFileHandle File(Temporary, TFileAccess::Write, TFileDisposition::CreateNew);
    // A replaced file keeps its permission bits; a new one gets the umask's.
    struct stat Existing {};
    if (::stat(NativePath(APath).c_str(), &Existing) == 0 && ::fchmod(File.Descriptor(), Existing.st_mode & 07777) != 0)
      RaiseOSError(errno, Temporary);
    File.Write(AData, static_cast<std::int64_t>(ASize));
    File.Flush();
    File.Close();
    if (!RenameFile(Temporary, APath)) RaiseOSError(errno, APath);
  } catch (...) {
    ::unlink(NativePath(Temporary).c_str());
    throw;
  }
  SyncFolder(ExtractFilePath(APath));
}

}  // namespace Quellit::Platform
