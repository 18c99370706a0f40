// Names on Windows are UTF-16 and the wide functions take them as they are: the layer's UTF-8 is
// converted at each call (WidePathOf) and nothing needs remembering, unlike the byte names of
// POSIX. Text that is not UTF-8 cannot name a file here; it becomes U+FFFD, so such a path fails
// as a missing file rather than naming another. A name on disk that is not valid UTF-16 (a lone
// surrogate, which NTFS allows) has no UTF-8 text: listings leave it out (HasLoneSurrogate), as
// its text would name nothing.
#include "Platform/NativeName.h"

#include <algorithm>

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

}  // namespace

std::wstring WidePathOf(const std::string& APath) {
  std::wstring Wide = WideOf(APath);
  if (Wide.starts_with(LongPrefix)) return Wide;
  std::replace(Wide.begin(), Wide.end(), L'/', L'\\');
  if (Wide.size() < ClassicPathLimit) return Wide;
  // The prefixed form is taken literally: it must be absolute and free of "." and "..".
  const std::wstring Full = FullPathOf(Wide);
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

// Text from the system arrives as UTF-16 and is converted where it is read; bytes reach this only
// from the narrow side (an ANSI program's argument, an archive's name), which on the product's
// systems is Windows-1251.
std::string PathFromNative(std::string_view ANative) { return NameTextOf(ANative); }

std::string NameTextOf(std::string_view ANative) {
  return IsValidUtf8Bytes(ANative) ? std::string(ANative) : DecodeAs(ANative, TTextEncoding::Windows1251);
}

}  // namespace Quellit::Platform
