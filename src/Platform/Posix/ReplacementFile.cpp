#include "Platform/ReplacementFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "Lib/Common/Common.Format.h"
#include "Platform/NativeName.h"
#include "Platform/Path.h"
#include "Platform/Posix/SystemCall.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {
namespace {

std::string SiblingName(const std::string& ATarget) {
  std::uint64_t Random = 0;
  if (::getrandom(&Random, sizeof Random, 0) != static_cast<ssize_t>(sizeof Random)) Random ^= static_cast<std::uint64_t>(::getpid());
  return Format("%s.%u-%x.tmp", ATarget, static_cast<unsigned>(::getpid()), Random);
}

void SyncFolderOf(const std::string& APath) {
  std::string Folder = ExtractFilePath(APath);
  TScopedDescriptor Descriptor(::open(Folder.empty() ? "." : NativePath(Folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!Descriptor.IsValid()) return;  // best effort: the rename itself has been done
  ::fsync(Descriptor.Get());
}

}  // namespace

// O_CREAT with O_EXCL (CreateNew) never follows a link at the last component: it fails instead.
TReplacementFile::TReplacementFile(std::string ATarget)
    : FTarget(std::move(ATarget)),
      FTemporary(SiblingName(FTarget)),
      FHandle(FTemporary, TFileAccess::Write, TFileDisposition::CreateNew) {
  struct stat Existing {};
  if (::stat(NativePath(FTarget).c_str(), &Existing) == 0 && S_ISREG(Existing.st_mode) &&
      ::fchmod(DescriptorOf(FHandle), Existing.st_mode & 0777) != 0) {
    const int Error = errno;
    Discard();
    RaiseOSError(Error, FTemporary);
  }
}

TReplacementFile::~TReplacementFile() {
  if (!FDone) ::unlink(NativePath(FTemporary).c_str());
}

void TReplacementFile::SetReadOnly() {
  struct stat Info {};
  if (::fstat(DescriptorOf(FHandle), &Info) != 0) RaiseOSError(errno, FTemporary);
  mode_t Mode = Info.st_mode & 07777 & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  if (::fchmod(DescriptorOf(FHandle), Mode) != 0) RaiseOSError(errno, FTemporary);
}

void TReplacementFile::Commit(bool AOverwrite) {
  FHandle.Flush();
  FHandle.Close();
  if (AOverwrite) {
    if (::rename(NativePath(FTemporary).c_str(), NativePath(FTarget).c_str()) != 0) RaiseOSError(errno, FTarget);
  } else {
    // A hard link fails on an existing name, so a file that appeared meanwhile is never replaced.
    if (::link(NativePath(FTemporary).c_str(), NativePath(FTarget).c_str()) != 0) RaiseOSError(errno, FTarget);
    ::unlink(NativePath(FTemporary).c_str());
  }
  FDone = true;
  SyncFolderOf(FTarget);
}

void TReplacementFile::Discard() {
  if (FDone) return;
  FHandle = TFileHandle();
  ::unlink(NativePath(FTemporary).c_str());
  FDone = true;
}

}  // namespace Quellit::Platform
