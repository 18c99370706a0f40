#include "Platform/Folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <unordered_set>

#include "Platform/NativeName.h"
#include "Platform/Path.h"
#include "Platform/Posix/SystemCall.h"
#include "Platform/SystemError.h"
#include "Platform/TextCodec.h"

namespace Quellit::Platform {
namespace {

// ---- directory streams ----------------------------------------------------------------------

struct TDirCloser {
  void operator()(DIR* ADir) const { ::closedir(ADir); }
};
using TDir = std::unique_ptr<DIR, TDirCloser>;

// Opens a folder for listing; null when it does not exist as a folder.
TDir OpenFolder(const std::string& AFolder) {
  TDir Dir(::opendir(AFolder.empty() ? "." : NativePath(AFolder).c_str()));
  if (!Dir && errno != ENOENT && errno != ENOTDIR) RaiseOSError(errno, AFolder);
  return Dir;
}

// The names in the stream, "." and ".." left out.
std::vector<std::string> ReadNames(DIR* ADir, const std::string& AFolder) {
  std::vector<std::string> Names;
  for (;;) {
    errno = 0;
    const dirent* Entry = ::readdir(ADir);
    if (!Entry) {
      if (errno != 0) RaiseOSError(errno, AFolder);
      return Names;
    }
    std::string Name = Entry->d_name;
    if (Name != "." && Name != "..") Names.push_back(std::move(Name));
  }
}

TFileTime ModificationTime(const struct stat& AStat) {
  return {static_cast<std::int64_t>(AStat.st_mtim.tv_sec), static_cast<std::int32_t>(AStat.st_mtim.tv_nsec)};
}

// ANativeName is the name's bytes in the folder; the entry gets its text.
bool DescribeEntry(int AFolderDescriptor, const std::string& ANativeName, TFolderEntry& AEntry) {
  struct stat Info {};
  if (::fstatat(AFolderDescriptor, ANativeName.c_str(), &Info, 0) != 0 &&
      ::fstatat(AFolderDescriptor, ANativeName.c_str(), &Info, AT_SYMLINK_NOFOLLOW) != 0)
    return false;  // gone since it was listed
  AEntry.Name = PathFromNative(ANativeName);
  AEntry.IsFolder = S_ISDIR(Info.st_mode);
  AEntry.IsHidden = AEntry.Name.starts_with('.');
  AEntry.Size = S_ISREG(Info.st_mode) ? static_cast<std::uint64_t>(Info.st_size) : 0;
  AEntry.LastWriteTime = ModificationTime(Info);
  return true;
}

// A name that is not UTF-8 but reads as the text of a UTF-8 sibling could never be opened by its
// text: the sibling would be found instead. It is left out rather than listed as the sibling twice.
std::vector<std::string> AddressableNames(std::vector<std::string> ANames) {
  std::unordered_set<std::string> Utf8Names;
  for (const std::string& Name : ANames)
    if (IsValidUtf8Bytes(Name)) Utf8Names.insert(Name);
  if (Utf8Names.size() == ANames.size()) return ANames;
  std::erase_if(ANames, [&](const std::string& AName) { return !IsValidUtf8Bytes(AName) && Utf8Names.contains(NameTextOf(AName)); });
  return ANames;
}

// The error number is taken before the name is decoded, which may change errno.
[[noreturn]] void RaiseForNative(int AError, const std::string& ANative) { RaiseOSError(AError, PathFromNative(ANative)); }

// Below the top, the tree is walked in the system's bytes, so every name goes, even one whose text
// is also the text of a sibling.
void RemoveNativeTree(const std::string& ANative) {
  TDir Dir(::opendir(ANative.c_str()));
  if (!Dir && errno != ENOENT && errno != ENOTDIR) RaiseForNative(errno, ANative);
  if (Dir) {
    for (const std::string& Name : ReadNames(Dir.get(), PathFromNative(ANative))) {
      std::string Child = CombinePath(ANative, Name);
      struct stat ChildInfo {};
      if (::lstat(Child.c_str(), &ChildInfo) != 0) RaiseForNative(errno, Child);
      if (S_ISDIR(ChildInfo.st_mode))
        RemoveNativeTree(Child);
      else if (::unlink(Child.c_str()) != 0 && errno != ENOENT)
        RaiseForNative(errno, Child);
    }
  }
  if (::rmdir(ANative.c_str()) != 0 && errno != ENOENT) RaiseForNative(errno, ANative);
}

}  // namespace

std::vector<TFolderEntry> ListFolder(const std::string& AFolder) {
  TDir Dir = OpenFolder(AFolder);
  if (!Dir) return {};
  std::vector<TFolderEntry> Entries;
  for (const std::string& Name : AddressableNames(ReadNames(Dir.get(), AFolder))) {
    TFolderEntry Entry;
    if (DescribeEntry(::dirfd(Dir.get()), Name, Entry)) Entries.push_back(std::move(Entry));
  }
  std::sort(Entries.begin(), Entries.end(),
            [](const TFolderEntry& A, const TFolderEntry& B) { return CompareFolderNames(A.Name, B.Name) < 0; });
  return Entries;
}

TOSResult CreateDir(const std::string& APath) { return ResultOfCall(::mkdir(NativePath(APath).c_str(), 0777)); }

TOSResult RemoveDir(const std::string& APath) {
  const TOSResult Removed = ResultOfCall(::rmdir(NativePath(APath).c_str()));
  if (Removed) ForgetNativeFolders(APath);
  return Removed;
}

void ForceDirectories(const std::string& APath) {
  std::string Folder = ExcludeTrailingPathDelimiter(APath);
  if (Folder.empty()) RaiseOSError(ENOENT, APath);
  if (DirectoryExists(Folder)) return;
  std::string Parent = ExcludeTrailingPathDelimiter(ExtractFilePath(Folder));
  if (!Parent.empty() && Parent != Folder) ForceDirectories(Parent);
  // Someone else may create it at the same moment: that is success too.
  const TOSResult Created = CreateDir(Folder);
  if (!Created && !(Created.ErrorCode() == EEXIST && DirectoryExists(Folder))) Created.RaiseOnFailure(Folder);
}

void RemoveFolderTree(const std::string& APath) {
  std::string Folder = ExcludeTrailingPathDelimiter(APath);
  const std::string Native = NativePath(Folder);
  struct stat Info {};
  if (::lstat(Native.c_str(), &Info) != 0) {
    if (errno == ENOENT) return;
    RaiseOSError(errno, Folder);
  }
  if (!S_ISDIR(Info.st_mode)) RaiseOSError(ENOTDIR, Folder);
  ForgetNativeFolders(Folder);
  RemoveNativeTree(Native);
}

}  // namespace Quellit::Platform
