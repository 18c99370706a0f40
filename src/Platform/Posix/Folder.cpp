#include "Platform/Folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>

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

// ---- names as UTF-16 code units, upper-cased ------------------------------------------------

// Decodes one code point; a byte that does not start valid UTF-8 stands for itself in the
// low-surrogate range (as lone surrogates do on NTFS), so every name still has a place in the order.
char32_t DecodeOne(const std::string& S, std::size_t& APos) {
  auto Byte = [&](std::size_t I) { return static_cast<unsigned char>(S[I]); };
  unsigned char Lead = Byte(APos);
  int Length = Lead < 0x80 ? 1 : (Lead >> 5) == 0x6 ? 2 : (Lead >> 4) == 0xE ? 3 : (Lead >> 3) == 0x1E ? 4 : 0;
  if (Length == 1) return S[APos++] & 0x7F;
  bool Valid = Length > 0 && APos + static_cast<std::size_t>(Length) <= S.size();
  char32_t Code = Length == 2 ? Lead & 0x1F : Length == 3 ? Lead & 0x0F : Lead & 0x07;
  for (int I = 1; Valid && I < Length; ++I) {
    Valid = (Byte(APos + static_cast<std::size_t>(I)) & 0xC0) == 0x80;
    Code = (Code << 6) | (Byte(APos + static_cast<std::size_t>(I)) & 0x3F);
  }
  if (!Valid) return 0xDC00 + Byte(APos++);
  APos += static_cast<std::size_t>(Length);
  return Code;
}

locale_t CaseLocale() {
  // C.UTF-8 carries the Unicode simple case mappings whatever the user's locale is.
  static const locale_t Locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return Locale;
}

char32_t UpperOne(char32_t ACode) {
  // NTFS keeps one upper-case table for the 16-bit plane only.
  if (ACode >= 0x10000) return ACode;
  if (locale_t Locale = CaseLocale()) {
    auto Upper = static_cast<char32_t>(::towupper_l(static_cast<wint_t>(ACode), Locale));
    return Upper < 0x10000 ? Upper : ACode;
  }
  return ACode >= 'a' && ACode <= 'z' ? ACode - 32 : ACode;
}

std::u32string UpperCodePoints(const std::string& S) {
  std::u32string Result;
  for (std::size_t Pos = 0; Pos < S.size();) Result.push_back(UpperOne(DecodeOne(S, Pos)));
  return Result;
}

std::u16string UpperUtf16(const std::string& S) {
  std::u16string Result;
  for (char32_t Code : UpperCodePoints(S)) {
    if (Code < 0x10000) {
      Result.push_back(static_cast<char16_t>(Code));
    } else {
      Code -= 0x10000;
      Result.push_back(static_cast<char16_t>(0xD800 + (Code >> 10)));
      Result.push_back(static_cast<char16_t>(0xDC00 + (Code & 0x3FF)));
    }
  }
  return Result;
}

// Classic wildcard matching with one backtrack point for the last "*".
bool MatchCodePoints(const std::u32string& AName, const std::u32string& AMask) {
  std::size_t N = 0, M = 0, StarMask = std::u32string::npos, StarName = 0;
  while (N < AName.size()) {
    if (M < AMask.size() && (AMask[M] == U'?' || AMask[M] == AName[N])) {
      ++N;
      ++M;
    } else if (M < AMask.size() && AMask[M] == U'*') {
      StarMask = M++;
      StarName = N;
    } else if (StarMask != std::u32string::npos) {
      M = StarMask + 1;
      N = ++StarName;
    } else {
      return false;
    }
  }
  while (M < AMask.size() && AMask[M] == U'*') ++M;
  return M == AMask.size();
}

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

int CompareFolderNames(const std::string& A, const std::string& B) {
  int Folded = UpperUtf16(A).compare(UpperUtf16(B));
  if (Folded != 0) return Folded < 0 ? -1 : 1;
  int Exact = A.compare(B);
  return Exact < 0 ? -1 : Exact > 0 ? 1 : 0;
}

bool MatchesMask(const std::string& AName, const std::string& AMask) {
  std::u32string Name = UpperCodePoints(AName), Mask = UpperCodePoints(AMask);
  if (MatchCodePoints(Name, Mask)) return true;
  bool MaskEndsInDotStar = Mask.size() >= 2 && Mask.ends_with(U".*");
  return MaskEndsInDotStar && Name.find(U'.') == std::u32string::npos &&
         MatchCodePoints(Name, Mask.substr(0, Mask.size() - 2));
}

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

TOSResult RemoveDir(const std::string& APath) { return ResultOfCall(::rmdir(NativePath(APath).c_str())); }

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
  RemoveNativeTree(Native);
}

}  // namespace Quellit::Platform
