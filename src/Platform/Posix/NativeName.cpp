#include "Platform/NativeName.h"

#include <sys/stat.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <unordered_set>
#include <vector>

#include "Platform/TextCodec.h"

namespace Quellit::Platform {
namespace {

// Names read in Windows-1251 during this run, as text: a missing name is created in the form it
// was read in, so the copy of such a folder keeps its bytes.
class TAnsiNames {
 public:
  void Remember(const std::string& AName) {
    std::lock_guard Lock(FMutex);
    FNames.insert(AName);
  }
  bool Contains(const std::string& AName) const {
    std::lock_guard Lock(FMutex);
    return FNames.contains(AName);
  }

 private:
  mutable std::mutex FMutex;
  std::unordered_set<std::string> FNames;
};

TAnsiNames& AnsiNames() {
  static TAnsiNames Instance;
  return Instance;
}

// Folders seen to exist under their UTF-8 bytes, the most recent last. A name below one of them
// that is already the system's bytes (ASCII, say) is those bytes whether it exists or not, so such
// a path needs no look-up at all: an update touches thousands of files in a few folders. The
// layer's own renames and removals forget what they change; a folder someone else renames or
// removes meanwhile fails the call as it would have a moment later.
class TUtf8Folders {
 public:
  bool Contains(const std::string& AFolder) const {
    std::lock_guard Lock(FMutex);
    return std::find(FFolders.rbegin(), FFolders.rend(), AFolder) != FFolders.rend();
  }
  void Remember(const std::string& AFolder) {
    std::lock_guard Lock(FMutex);
    if (std::find(FFolders.rbegin(), FFolders.rend(), AFolder) != FFolders.rend()) return;
    if (FFolders.size() == Capacity) FFolders.erase(FFolders.begin());
    FFolders.push_back(AFolder);
  }
  void ForgetBelow(std::string APath) {
    while (APath.size() > 1 && APath.back() == '/') APath.pop_back();
    APath += '/';
    std::lock_guard Lock(FMutex);
    std::erase_if(FFolders, [&](const std::string& AFolder) { return AFolder.starts_with(APath); });
  }

 private:
  static constexpr std::size_t Capacity = 8;
  mutable std::mutex FMutex;
  std::vector<std::string> FFolders;  // each ends in "/"
};

TUtf8Folders& Utf8Folders() {
  static TUtf8Folders Instance;
  return Instance;
}

bool IsAscii(std::string_view AText) {
  for (char C : AText)
    if (static_cast<unsigned char>(C) >= 0x80) return false;
  return true;
}

// The Windows-1251 bytes of a name, when it has them and they cannot be mistaken for UTF-8.
std::optional<std::string> AnsiForm(const std::string& AName) {
  if (!CanEncode(AName, TTextEncoding::Windows1251)) return std::nullopt;
  std::string Bytes = EncodeText(AName, TTextEncoding::Windows1251);
  if (IsValidUtf8Bytes(Bytes)) return std::nullopt;
  return Bytes;
}

bool Exists(const std::string& ANative) {
  struct stat Info {};
  return ::lstat(ANative.c_str(), &Info) == 0;
}

// A name whose UTF-8 bytes are not in the folder AFolder: its Windows-1251 bytes when those are
// there, else the form it was read in. AFolderExists turns false when neither is there.
std::string NameNotInUtf8(const std::string& AFolder, const std::string& AName, bool& AFolderExists) {
  if (AFolderExists) {
    if (const std::optional<std::string> Ansi = AnsiForm(AName); Ansi && Exists(AFolder + *Ansi)) return *Ansi;
    AFolderExists = false;
  }
  if (!AnsiNames().Contains(AName)) return AName;
  return AnsiForm(AName).value_or(AName);
}

bool IsSystemBytes(const std::string& AName) { return IsAscii(AName) || !IsValidUtf8Bytes(AName); }

// The system's bytes of one component in the folder whose system path is AFolder ("" or ending in
// "/"). AFolderExists turns false once a component is missing: nothing below it exists either.
std::string NativeComponent(const std::string& AFolder, const std::string& AName, bool& AFolderExists) {
  if (IsSystemBytes(AName)) return AName;
  if (AFolderExists && Exists(AFolder + AName)) return AName;
  return NameNotInUtf8(AFolder, AName, AFolderExists);
}

// The slow way: every component looked up in its folder in turn.
std::string NativeByComponents(const std::string& APath) {
  std::string Result;
  Result.reserve(APath.size());
  bool FolderExists = true;
  for (std::size_t Start = 0;;) {
    const std::size_t End = APath.find('/', Start);
    const std::string Name = APath.substr(Start, End == std::string::npos ? std::string::npos : End - Start);
    Result += NativeComponent(Result, Name, FolderExists);
    if (End == std::string::npos) return Result;
    Result += '/';
    Start = End + 1;
  }
}

}  // namespace

std::string NativePath(const std::string& APath) {
  // The common cases cost no look-up or one or two: plain ASCII, a plain name in a folder known to
  // exist as it is written, a path that exists as it is written, or a new name in a folder that does.
  if (IsAscii(APath)) return APath;
  const std::size_t LastSlash = APath.rfind('/');
  if (LastSlash == std::string::npos || LastSlash == 0 || LastSlash + 1 == APath.size())
    return Exists(APath) ? APath : NativeByComponents(APath);
  const std::string Folder = APath.substr(0, LastSlash + 1), Name = APath.substr(LastSlash + 1);
  if (IsSystemBytes(Name) && Utf8Folders().Contains(Folder)) return APath;
  const bool PathExists = Exists(APath);
  if (!PathExists && !Exists(Folder)) return NativeByComponents(APath);
  Utf8Folders().Remember(Folder);
  if (PathExists || IsSystemBytes(Name)) return APath;
  bool FolderExists = true;
  return Folder + NameNotInUtf8(Folder, Name, FolderExists);
}

void ForgetNativeFolders(const std::string& APath) { Utf8Folders().ForgetBelow(APath); }

std::string NameTextOf(std::string_view ANative) {
  return IsValidUtf8Bytes(ANative) ? std::string(ANative) : DecodeAs(ANative, TTextEncoding::Windows1251);
}

std::string PathFromNative(std::string_view ANative) {
  if (IsValidUtf8Bytes(ANative)) return std::string(ANative);
  std::string Result;
  Result.reserve(ANative.size() * 2);
  for (std::size_t Start = 0;;) {
    const std::size_t End = ANative.find('/', Start);
    const std::string_view Name = ANative.substr(Start, End == std::string_view::npos ? std::string_view::npos : End - Start);
    if (IsValidUtf8Bytes(Name)) {
      Result += Name;
    } else {
      const std::string Text = DecodeAs(Name, TTextEncoding::Windows1251);
      AnsiNames().Remember(Text);
      Result += Text;
    }
    if (End == std::string_view::npos) return Result;
    Result += '/';
    Start = End + 1;
  }
}

}  // namespace Quellit::Platform
