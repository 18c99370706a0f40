#include "Platform/NativeName.h"

#include <sys/stat.h>

#include <mutex>
#include <optional>
#include <unordered_set>

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

}  // namespace

std::string NativePath(const std::string& APath) {
  // The common cases cost one or two look-ups: plain ASCII, a path that exists as it is written,
  // or a new name in a folder that does.
  if (IsAscii(APath) || Exists(APath)) return APath;
  const std::size_t LastSlash = APath.rfind('/');
  if (LastSlash != std::string::npos && LastSlash > 0 && LastSlash + 1 < APath.size()) {
    const std::string Folder = APath.substr(0, LastSlash + 1), Name = APath.substr(LastSlash + 1);
    bool FolderExists = Exists(Folder);
    if (FolderExists) return IsSystemBytes(Name) ? APath : Folder + NameNotInUtf8(Folder, Name, FolderExists);
  }
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
