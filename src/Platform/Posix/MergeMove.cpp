#include "Platform/MergeMove.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "Lib/Common/Common.Exception.h"
#include "Platform/File.h"
#include "Platform/Folder.h"
#include "Platform/NativeName.h"
#include "Platform/Path.h"
#include "Platform/Posix/SystemCall.h"
#include "Platform/ReplacementFile.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {
namespace {

struct stat LinkStatus(const std::string& APath) {
  struct stat Info {};
  if (::lstat(NativePath(APath).c_str(), &Info) != 0) RaiseOSError(errno, APath);
  return Info;
}

void SyncFolderOf(const std::string& APath) {
  TFileHandle Folder(ExtractFilePath(APath), TFileAccess::Read, TFileDisposition::OpenExisting);
  Folder.Flush();
}

// The copy is renamed over whatever is at the target, as a moved file would replace it.
void CopyContentBeside(const std::string& ASource, const struct stat& AInfo, const std::string& ATarget) {
  TFileHandle From(ASource, TFileAccess::Read, TFileDisposition::OpenExisting);
  TReplacementFile To(ATarget);
  std::vector<char> Buffer(65536);
  for (std::int64_t Got; (Got = From.Read(Buffer.data(), static_cast<std::int64_t>(Buffer.size()))) > 0;)
    To.Handle().Write(Buffer.data(), Got);
  // The restored file is the saved one: same permissions, same modification time.
  const int Descriptor = DescriptorOf(To.Handle());
  if (::fchmod(Descriptor, AInfo.st_mode & 07777) != 0) RaiseOSError(errno, To.TemporaryPath());
  const timespec Times[2] = {AInfo.st_atim, AInfo.st_mtim};
  if (::futimens(Descriptor, Times) != 0) RaiseOSError(errno, To.TemporaryPath());
  To.Commit(true);
}

// The link's content is copied as the system's bytes: it is never read as a name of ours.
void CopyLinkBeside(const std::string& ASource, const struct stat& AInfo, const std::string& ATarget) {
  const std::string Temporary = SiblingPathOf(ATarget);
  try {
    std::string Destination(static_cast<std::size_t>(AInfo.st_size) + 1, '\0');
    ssize_t Length = ::readlink(NativePath(ASource).c_str(), Destination.data(), Destination.size());
    if (Length < 0) RaiseOSError(errno, ASource);
    Destination.resize(static_cast<std::size_t>(Length));
    if (::symlink(Destination.c_str(), NativePath(Temporary).c_str()) != 0) RaiseOSError(errno, Temporary);
    RenameIntoPlace(Temporary, ATarget, true).RaiseOnFailure(ATarget);
  } catch (...) {
    ::unlink(NativePath(Temporary).c_str());
    throw;
  }
}

// Across file systems: the target is complete and on disk before the source goes away.
void CopyAcross(const std::string& ASource, const std::string& ATarget) {
  struct stat Info = LinkStatus(ASource);
  if (S_ISLNK(Info.st_mode))
    CopyLinkBeside(ASource, Info, ATarget);
  else
    CopyContentBeside(ASource, Info, ATarget);
  SyncFolderOf(ATarget);
  DeleteFile(ASource).RaiseOnFailure(ASource);
}

void MoveFileOver(const std::string& ASource, const std::string& ATarget) {
  const TOSResult Renamed = RenameFile(ASource, ATarget);
  if (Renamed) return;
  if (Renamed.ErrorCode() != EXDEV) Renamed.RaiseOnFailure(ATarget);
  CopyAcross(ASource, ATarget);
}

class TMergeMover {
 public:
  void MoveContent(const std::string& ASource, const std::string& ATarget) {
    for (const TFolderEntry& Entry : ListFolder(ASource)) {
      std::string From = CombinePath(ASource, Entry.Name), To = CombinePath(ATarget, Entry.Name);
      try {
        // Links are moved as links: following one could pull in files from outside the tree.
        if (S_ISDIR(LinkStatus(From).st_mode))
          MoveFolder(From, To);
        else
          MoveFileOver(From, To);
      } catch (const EOSError& E) {
        if (!FFirstError) FFirstError = E;
      }
    }
  }

  void RaiseFirstError() const {
    if (FFirstError) throw *FFirstError;
  }

 private:
  void MoveFolder(const std::string& AFrom, const std::string& ATo) {
    ForceDirectories(ATo);
    MoveContent(AFrom, ATo);
    RemoveDir(AFrom);  // stays when something in it could not be moved
  }

  std::optional<EOSError> FFirstError;
};

}  // namespace

void MergeMove(const std::string& ASourceFolder, const std::string& ATargetFolder) {
  std::string Source = ExcludeTrailingPathDelimiter(ASourceFolder);
  if (!DirectoryExists(Source)) return;
  std::string Target = ExcludeTrailingPathDelimiter(ATargetFolder);
  ForceDirectories(Target);
  TMergeMover Mover;
  Mover.MoveContent(Source, Target);
  Mover.RaiseFirstError();
}

}  // namespace Quellit::Platform
