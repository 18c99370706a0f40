#include "Platform/ReplacementFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "Lib/Common/Common.Format.h"
#include "Platform/FileOperations.h"
#include "Platform/NativeName.h"
#include "Platform/Path.h"
#include "Platform/Posix/SystemCall.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {
std::string SiblingPathOf(const std::string& ATarget) {
  constexpr std::size_t MaxNameBytes = 255;
  std::uint64_t Random = 0;
  if (::getrandom(&Random, sizeof Random, 0) != static_cast<ssize_t>(sizeof Random)) Random ^= static_cast<std::uint64_t>(::getpid());
  const std::string Suffix = Format(".%u-%x.tmp", static_cast<unsigned>(::getpid()), Random);
  const std::size_t NameStart = ExtractFilePath(ATarget).size();
  const std::size_t NameBytes = std::min(ATarget.size() - NameStart, MaxNameBytes - Suffix.size());
  return ATarget.substr(0, NameStart + NameBytes) + Suffix;
}

TOSResult RenameIntoPlace(const std::string& ASibling, const std::string& ATarget, bool AReplace) {
  const TOSResult Renamed = AReplace ? RenameFile(ASibling, ATarget) : RenameNoReplace(ASibling, ATarget);
  if (Renamed) SyncFolder(ExtractFilePath(ATarget));
  return Renamed;
}

// O_CREAT with O_EXCL (CreateNew) never follows a link at the last component: it fails instead.
TReplacementFile::TReplacementFile(std::string ATarget)
    : FTarget(std::move(ATarget)),
      FTemporary(SiblingPathOf(FTarget)),
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
  RenameIntoPlace(FTemporary, FTarget, AOverwrite).RaiseOnFailure(FTarget);
  FDone = true;
}

void TReplacementFile::Discard() {
  if (FDone) return;
  FHandle = TFileHandle();
  ::unlink(NativePath(FTemporary).c_str());
  FDone = true;
}

}  // namespace Quellit::Platform
