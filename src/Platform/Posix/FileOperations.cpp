#include "Platform/FileOperations.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "Platform/File.h"
#include "Platform/NativeName.h"
#include "Platform/Path.h"
#include "Platform/Posix/SystemCall.h"
#include "Platform/ReplacementFile.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {
namespace {

// Without RENAME_NOREPLACE (some file systems refuse it) a hard link gives the same guarantee for
// files: link fails when the new name exists. Links to links stay links.
TOSResult LinkThenUnlink(const std::string& AOldPath, const std::string& ANewPath) {
  const TOSResult Linked = ResultOfCall(::link(NativePath(AOldPath).c_str(), NativePath(ANewPath).c_str()));
  if (!Linked) return Linked;
  const TOSResult Unlinked = ResultOfCall(::unlink(NativePath(AOldPath).c_str()));
  if (!Unlinked) ::unlink(NativePath(ANewPath).c_str());
  return Unlinked;
}

void CopyLink(const std::string& ASource, const struct stat& AInfo, const std::string& ATemporary) {
  std::string Destination(static_cast<std::size_t>(AInfo.st_size) + 1, '\0');
  ssize_t Length = ::readlink(NativePath(ASource).c_str(), Destination.data(), Destination.size());
  if (Length < 0) RaiseOSError(errno, ASource);
  Destination.resize(static_cast<std::size_t>(Length));
  if (::symlink(Destination.c_str(), NativePath(ATemporary).c_str()) != 0) RaiseOSError(errno, ATemporary);
}

// A link is copied as a new link beside the target, put in place as a file would be.
void CopyLinkBeside(const std::string& ASource, const struct stat& AInfo, const std::string& ATarget) {
  const std::string Temporary = SiblingPathOf(ATarget);
  try {
    CopyLink(ASource, AInfo, Temporary);
    RenameIntoPlace(Temporary, ATarget, false).RaiseOnFailure(ATarget);
  } catch (...) {
    ::unlink(NativePath(Temporary).c_str());
    throw;
  }
}

void CopyContentBeside(const std::string& ASource, const struct stat& AInfo, const std::string& ATarget) {
  TScopedDescriptor Source(::open(NativePath(ASource).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  if (!Source.IsValid()) RaiseOSError(errno, ASource);
  TReplacementFile To(ATarget);
  std::vector<char> Buffer(65536);
  for (;;) {
    const ssize_t Got = RetryOnInterrupt([&] { return ::read(Source.Get(), Buffer.data(), Buffer.size()); });
    if (Got < 0) RaiseOSError(errno, ASource);
    if (Got == 0) break;
    To.Handle().Write(Buffer.data(), Got);
  }
  // The moved file is the same file: same permissions, owner where allowed, same times.
  const int Descriptor = DescriptorOf(To.Handle());
  if (::fchmod(Descriptor, AInfo.st_mode & 07777) != 0) RaiseOSError(errno, To.TemporaryPath());
  (void)::fchown(Descriptor, AInfo.st_uid, AInfo.st_gid);
  const timespec Times[2] = {AInfo.st_atim, AInfo.st_mtim};
  if (::futimens(Descriptor, Times) != 0) RaiseOSError(errno, To.TemporaryPath());
  To.Commit(false);
}

}  // namespace

TPathKind PathKindOf(const std::string& APath) {
  struct stat Info {};
  if (::lstat(NativePath(APath).c_str(), &Info) != 0) return TPathKind::None;
  if (S_ISLNK(Info.st_mode)) return TPathKind::Link;
  if (S_ISDIR(Info.st_mode)) return TPathKind::Folder;
  if (S_ISREG(Info.st_mode)) return TPathKind::File;
  return TPathKind::Other;
}

TOSResult RenameNoReplace(const std::string& AOldPath, const std::string& ANewPath) {
  const TOSResult Renamed = ResultOfCall(
      ::renameat2(AT_FDCWD, NativePath(AOldPath).c_str(), AT_FDCWD, NativePath(ANewPath).c_str(), RENAME_NOREPLACE));
  if (Renamed) ForgetNativeFolders(AOldPath);
  if (Renamed || (Renamed.ErrorCode() != EINVAL && Renamed.ErrorCode() != ENOSYS)) return Renamed;
  return LinkThenUnlink(AOldPath, ANewPath);
}

void MoveFileNoReplace(const std::string& AOldPath, const std::string& ANewPath) {
  const TOSResult Renamed = RenameNoReplace(AOldPath, ANewPath);
  if (Renamed) return;
  if (Renamed.ErrorCode() != EXDEV) Renamed.RaiseOnFailure(ANewPath);
  struct stat Info {};
  if (::lstat(NativePath(AOldPath).c_str(), &Info) != 0) RaiseOSError(errno, AOldPath);
  if (S_ISLNK(Info.st_mode))
    CopyLinkBeside(AOldPath, Info, ANewPath);
  else
    CopyContentBeside(AOldPath, Info, ANewPath);
  if (::unlink(NativePath(AOldPath).c_str()) != 0) RaiseOSError(errno, AOldPath);
}

void SyncFolder(const std::string& AFolder) {
  TScopedDescriptor Folder(::open(AFolder.empty() ? "." : NativePath(AFolder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!Folder.IsValid()) return;  // best effort: what was renamed there is done either way
  ::fsync(Folder.Get());
}

void SyncFileSystemOf(const std::string& APath) {
  TScopedDescriptor File(::open(NativePath(APath).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!File.IsValid()) RaiseOSError(errno, APath);
  if (::syncfs(File.Get()) != 0) RaiseOSError(errno, APath);
}

void IgnoreFileSizeLimitSignal() { ::signal(SIGXFSZ, SIG_IGN); }

void KillProcessNow() {
  ::kill(::getpid(), SIGKILL);
  ::_exit(137);
}

}  // namespace Quellit::Platform
