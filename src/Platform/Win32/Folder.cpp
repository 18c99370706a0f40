// Folders through FindFirstFileExW. The system lists in whatever order its file system keeps
// (NTFS by upper-cased name, FAT by creation, Wine by the Unix folder), so the layer sorts.
#include "Platform/Folder.h"

#include <algorithm>

#include "Platform/Path.h"
#include "Platform/SystemError.h"
#include "Platform/Win32/FileStatus.h"
#include "Platform/Win32/SystemCall.h"
#include "Platform/Win32/WidePath.h"

namespace Quellit::Platform {
namespace {

// ---- find handles -------------------------------------------------------------------------------

struct TFindHandlePolicy {
  using THandle = HANDLE;
  static THandle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(THandle AHandle) noexcept { ::FindClose(AHandle); }
};
using TScopedFindHandle = TScopedHandle<TFindHandlePolicy>;

// The folder's entries as the system describes them, "." and ".." left out; nothing when the
// folder is missing or the path names a file.
std::vector<WIN32_FIND_DATAW> ReadEntries(const std::string& AFolder) {
  const std::string Pattern = CombinePath(AFolder.empty() ? "." : AFolder, "*");
  WIN32_FIND_DATAW Data {};
  TScopedFindHandle Find(::FindFirstFileExW(WidePathOf(Pattern).c_str(), FindExInfoBasic, &Data, FindExSearchNameMatch,
                                            nullptr, FIND_FIRST_EX_LARGE_FETCH));
  std::vector<WIN32_FIND_DATAW> Entries;
  if (!Find.IsValid()) {
    // An empty drive root has not even "." to list.
    const DWORD Error = ::GetLastError();
    if (Error == ERROR_FILE_NOT_FOUND || Error == ERROR_PATH_NOT_FOUND || Error == ERROR_DIRECTORY ||
        Error == ERROR_INVALID_NAME)
      return Entries;
    RaiseOSError(static_cast<int>(Error), AFolder);
  }
  do {
    const std::wstring_view Name = Data.cFileName;
    if (Name != L"." && Name != L"..") Entries.push_back(Data);
  } while (::FindNextFileW(Find.Get(), &Data));
  if (const DWORD Error = ::GetLastError(); Error != ERROR_NO_MORE_FILES) RaiseOSError(static_cast<int>(Error), AFolder);
  return Entries;
}

// A link is described by its target, a dangling one as a file of size 0.
bool DescribeEntry(const std::string& AFolder, const WIN32_FIND_DATAW& AData, TFolderEntry& AEntry) {
  // A name with a lone surrogate has no text that would name it again.
  if (HasLoneSurrogate(AData.cFileName)) return false;
  AEntry.Name = Utf8OfWide(AData.cFileName);
  TFileStatus Status{AData.dwFileAttributes, (static_cast<std::uint64_t>(AData.nFileSizeHigh) << 32) | AData.nFileSizeLow,
                     AData.ftLastWriteTime};
  if (AData.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
    Status = FollowedStatusOf(CombinePath(AFolder, AEntry.Name)).value_or(TFileStatus{FILE_ATTRIBUTE_NORMAL, 0, AData.ftLastWriteTime});
  AEntry.IsFolder = Status.Attributes & FILE_ATTRIBUTE_DIRECTORY;
  AEntry.IsHidden = (AData.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) || AEntry.Name.starts_with('.');
  AEntry.Size = AEntry.IsFolder ? 0 : Status.Size;
  AEntry.LastWriteTime = FileTimeOf(Status.LastWriteTime);
  return true;
}

// A read-only file is deleted all the same when its whole tree goes.
TOSResult DeleteTreeFile(const std::string& APath, DWORD AAttributes) {
  const std::wstring Wide = WidePathOf(APath);
  if (AAttributes & FILE_ATTRIBUTE_READONLY)
    ::SetFileAttributesW(Wide.c_str(), AAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  // A link to a folder is a folder entry: removing it leaves its target alone.
  if (AAttributes & FILE_ATTRIBUTE_DIRECTORY) return ResultOfCall(::RemoveDirectoryW(Wide.c_str()));
  return ResultOfCall(::DeleteFileW(Wide.c_str()));
}

bool IsMissing(const TOSResult& AResult) { return IsFileNotFound(AResult.ErrorCode()); }

// Reparse points inside are removed as entries, never entered, so nothing outside the tree goes.
void RemoveTree(const std::string& AFolder) {
  for (const WIN32_FIND_DATAW& Data : ReadEntries(AFolder)) {
    const std::string Child = CombinePath(AFolder, PathOfWide(Data.cFileName));
    const bool IsRealFolder =
        (Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(Data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (IsRealFolder) {
      RemoveTree(Child);
    } else if (const TOSResult Deleted = DeleteTreeFile(Child, Data.dwFileAttributes); !Deleted && !IsMissing(Deleted)) {
      Deleted.RaiseOnFailure(Child);
    }
  }
  if (const TOSResult Removed = RemoveDir(AFolder); !Removed && !IsMissing(Removed)) Removed.RaiseOnFailure(AFolder);
}

}  // namespace

std::vector<TFolderEntry> ListFolder(const std::string& AFolder) {
  std::vector<TFolderEntry> Entries;
  for (const WIN32_FIND_DATAW& Data : ReadEntries(AFolder)) {
    TFolderEntry Entry;
    if (DescribeEntry(AFolder, Data, Entry)) Entries.push_back(std::move(Entry));
  }
  std::sort(Entries.begin(), Entries.end(),
            [](const TFolderEntry& A, const TFolderEntry& B) { return CompareFolderNames(A.Name, B.Name) < 0; });
  return Entries;
}

// The system answers "path not found" for a folder asked below a file; the layer says what it is.
TOSResult CreateDir(const std::string& APath) {
  const TOSResult Created = ResultOfCall(::CreateDirectoryW(WidePathOf(APath).c_str(), nullptr));
  if (Created.ErrorCode() != ERROR_PATH_NOT_FOUND) return Created;
  const std::string Parent = ExcludeTrailingPathDelimiter(ExtractFilePath(ExcludeTrailingPathDelimiter(APath)));
  if (FileExists(Parent)) return TOSResult::Failure(NotAFolderError());
  return Created;
}

TOSResult RemoveDir(const std::string& APath) { return ResultOfCall(::RemoveDirectoryW(WidePathOf(APath).c_str())); }

void ForceDirectories(const std::string& APath) {
  std::string Folder = ExcludeTrailingPathDelimiter(APath);
  if (Folder.empty()) RaiseFileNotFound(APath);
  if (DirectoryExists(Folder)) return;
  std::string Parent = ExcludeTrailingPathDelimiter(ExtractFilePath(Folder));
  if (!Parent.empty() && Parent != Folder && !IsRootFolder(Parent)) ForceDirectories(Parent);
  // Someone else may create it at the same moment: that is success too.
  const TOSResult Created = CreateDir(Folder);
  if (!Created && !(IsAlreadyExists(Created.ErrorCode()) && DirectoryExists(Folder))) Created.RaiseOnFailure(Folder);
}

void RemoveFolderTree(const std::string& APath) {
  const std::string Folder = ExcludeTrailingPathDelimiter(APath);
  const std::optional<TFileStatus> Own = OwnStatusOf(Folder);
  if (!Own) {
    if (const DWORD Error = ::GetLastError(); !IsFileNotFound(static_cast<int>(Error))) RaiseOSError(static_cast<int>(Error), Folder);
    return;
  }
  if (!(Own->Attributes & FILE_ATTRIBUTE_DIRECTORY) || (Own->Attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    RaiseNotAFolder(Folder);
  RemoveTree(Folder);
}

}  // namespace Quellit::Platform
