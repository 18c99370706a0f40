// Names on Windows are UTF-16 and the wide functions take them as they are: the layer's UTF-8 is
// converted at each call (WidePathOf) and nothing needs remembering, unlike the byte names of
// POSIX. Text that is not UTF-8 cannot name a file here; it becomes U+FFFD, so such a path fails
// as a missing file rather than naming another. A name on disk that is not valid UTF-16 (a lone
// surrogate, which NTFS allows) has no UTF-8 text: listings leave it out (HasLoneSurrogate), as
// its text would name nothing. Names the classic path form reads as others (a trailing dot or
// blank, which it drops; a device name such as "NUL" or "aux.txt", which names the device) are
// passed in the literal "\\?\" form, so every name a listing gives names its own file again.
#include "Platform/NativeName.h"

#include <algorithm>
#include <vector>

#include "Platform/TextCodec.h"
#include "Platform/Win32/SystemCall.h"
#include "Platform/Win32/WidePath.h"

namespace Quellit::Platform {
namespace {

// CreateDirectoryW stops short of MAX_PATH by room for an 8.3 name; below that, every call takes
// the path as it is.
constexpr std::size_t ClassicPathLimit = MAX_PATH - 12;

constexpr std::wstring_view LongPrefix = L"\\\\?\\";
constexpr std::wstring_view LongUncPrefix = L"\\\\?\\UNC\\";

std::wstring FullPathOf(const std::wstring& APath) {
  std::wstring Result(APath.size() + MAX_PATH, L'\0');
  for (;;) {
    const DWORD Length = ::GetFullPathNameW(APath.c_str(), static_cast<DWORD>(Result.size()), Result.data(), nullptr);
    if (Length == 0) return APath;  // the call that uses it reports the error
    if (Length < Result.size()) {
      Result.resize(Length);
      return Result;
    }
    Result.resize(Length);
  }
}

bool IsAsciiLetter(wchar_t C) { return (C >= L'A' && C <= L'Z') || (C >= L'a' && C <= L'z'); }

bool SameAsciiIgnoringCase(std::wstring_view A, std::wstring_view B) {
  auto Upper = [](wchar_t C) { return C >= L'a' && C <= L'z' ? static_cast<wchar_t>(C - 32) : C; };
  return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [&](wchar_t X, wchar_t Y) { return Upper(X) == Upper(Y); });
}

bool IsDeviceName(std::wstring_view AName) {
  std::wstring_view Base = AName.substr(0, AName.find(L'.'));
  while (!Base.empty() && Base.back() == L' ') Base.remove_suffix(1);
  for (std::wstring_view Device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
    if (SameAsciiIgnoringCase(Base, Device)) return true;
  const bool Numbered = Base.size() == 4 && Base[3] >= L'1' && Base[3] <= L'9';
  return Numbered && (SameAsciiIgnoringCase(Base.substr(0, 3), L"COM") || SameAsciiIgnoringCase(Base.substr(0, 3), L"LPT"));
}

// Whether the classic form reads the name as another one.
bool IsReadOtherwise(std::wstring_view AName) {
  if (AName.empty() || AName == L"." || AName == L"..") return false;
  return AName.back() == L'.' || AName.back() == L' ' || IsDeviceName(AName);
}

std::vector<std::wstring_view> ComponentsOf(std::wstring_view APath) {
  std::vector<std::wstring_view> Components;
  for (std::size_t Start = 0;;) {
    const std::size_t End = APath.find(L'\\', Start);
    Components.push_back(APath.substr(Start, End == std::wstring_view::npos ? std::wstring_view::npos : End - Start));
    if (End == std::wstring_view::npos) return Components;
    Start = End + 1;
  }
}

bool HasNameReadOtherwise(std::wstring_view APath) {
  const std::vector<std::wstring_view> Components = ComponentsOf(APath);
  return std::any_of(Components.begin(), Components.end(), IsReadOtherwise);
}

// Where the path's own names begin: after "C:\", "\\server\share\", or 0 for a path that is
// not absolute.
std::size_t RootLength(std::wstring_view APath) {
  if (APath.size() >= 3 && IsAsciiLetter(APath[0]) && APath[1] == L':' && APath[2] == L'\\') return 3;
  if (!APath.starts_with(L"\\\\")) return 0;
  const std::size_t Server = APath.find(L'\\', 2);
  if (Server == std::wstring_view::npos) return APath.size();
  const std::size_t Share = APath.find(L'\\', Server + 1);
  return Share == std::wstring_view::npos ? APath.size() : Share + 1;
}

// The absolute form of APath with "." and ".." resolved by hand, every name kept as it is written
// (the system's own resolution would drop trailing dots and turn device names into devices).
std::wstring LiteralFullPathOf(const std::wstring& APath) {
  std::wstring Root;
  std::wstring_view Rest = APath;
  if (const std::size_t Length = RootLength(APath); Length > 0) {
    Root = APath.substr(0, Length);
    Rest.remove_prefix(Length);
  } else if (APath.starts_with(L'\\')) {
    Root = FullPathOf(L"\\");  // the current drive's root
    Rest.remove_prefix(1);
  } else if (APath.size() >= 2 && IsAsciiLetter(APath[0]) && APath[1] == L':') {
    Root = FullPathOf(APath.substr(0, 2));  // that drive's current folder
    Rest.remove_prefix(2);
  } else {
    Root = FullPathOf(L".");
  }
  if (!Root.ends_with(L'\\')) Root += L'\\';
  std::vector<std::wstring_view> Names;
  for (std::wstring_view Name : ComponentsOf(Rest)) {
    if (Name == L"..") {
      if (!Names.empty()) Names.pop_back();
    } else if (!Name.empty() && Name != L".") {
      Names.push_back(Name);
    }
  }
  std::wstring Result = Root;
  for (std::size_t I = 0; I < Names.size(); ++I) Result.append(I == 0 ? L"" : L"\\").append(Names[I]);
  return Result;
}

}  // namespace

std::wstring WidePathOf(const std::string& APath) {
  std::wstring Wide = WideOf(APath);
  if (Wide.starts_with(LongPrefix)) return Wide;
  std::replace(Wide.begin(), Wide.end(), L'/', L'\\');
  const bool Literal = HasNameReadOtherwise(Wide);
  if (!Literal && Wide.size() < ClassicPathLimit) return Wide;
  // The prefixed form is taken literally: it must be absolute and free of "." and "..".
  const std::wstring Full = Literal ? LiteralFullPathOf(Wide) : FullPathOf(Wide);
  if (Full.starts_with(L"\\\\")) return std::wstring(LongUncPrefix) + Full.substr(2);
  return std::wstring(LongPrefix) + Full;
}

std::string PathOfWide(std::wstring_view APath) {
  if (APath.starts_with(LongUncPrefix)) return "\\\\" + Utf8OfWide(APath.substr(LongUncPrefix.size()));
  if (APath.starts_with(LongPrefix)) return Utf8OfWide(APath.substr(LongPrefix.size()));
  return Utf8OfWide(APath);
}

bool HasLoneSurrogate(std::wstring_view AName) {
  for (std::size_t I = 0; I < AName.size(); ++I) {
    const wchar_t C = AName[I];
    if (C >= 0xD800 && C <= 0xDBFF && I + 1 < AName.size() && AName[I + 1] >= 0xDC00 && AName[I + 1] <= 0xDFFF) {
      ++I;
    } else if (C >= 0xD800 && C <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

// The layer's paths are what the system takes: the conversion happens at the call.
std::string NativePath(const std::string& APath) { return APath; }

void ForgetNativeFolders(const std::string&) {}

// Text from the system arrives as UTF-16 and is converted where it is read; bytes reach this only
// from the narrow side (an ANSI program's argument, an archive's name), which on the product's
// systems is Windows-1251.
std::string PathFromNative(std::string_view ANative) { return NameTextOf(ANative); }

std::string NameTextOf(std::string_view ANative) {
  return IsValidUtf8Bytes(ANative) ? std::string(ANative) : DecodeAs(ANative, TTextEncoding::Windows1251);
}

}  // namespace Quellit::Platform
