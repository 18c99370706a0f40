#include "Platform/TextCodec.h"

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <cerrno>
#include <cstdint>

#include "Platform/SystemError.h"

namespace Quellit::Platform {
namespace {

// ---- UTF-8 -------------------------------------------------------------------------------------

constexpr char32_t InvalidCodePoint = 0xFFFFFFFF;
constexpr char32_t ReplacementCharacter = 0xFFFD;

// One code point starting at APos; InvalidCodePoint (and one byte consumed) for anything that is
// not a shortest-form encoding of a Unicode scalar value.
char32_t NextCodePoint(std::string_view AText, std::size_t& APos) {
  const auto Byte = [&](std::size_t I) { return static_cast<unsigned char>(AText[I]); };
  const unsigned char Lead = Byte(APos);
  std::size_t Length = Lead < 0x80 ? 1 : (Lead >> 5) == 0x6 ? 2 : (Lead >> 4) == 0xE ? 3 : (Lead >> 3) == 0x1E ? 4 : 0;
  if (Length == 0 || APos + Length > AText.size()) {
    ++APos;
    return Length == 1 ? Lead : InvalidCodePoint;
  }
  char32_t Value = Length == 1 ? Lead : Lead & (0x7F >> Length);
  for (std::size_t I = 1; I < Length; ++I) {
    if ((Byte(APos + I) & 0xC0) != 0x80) {
      ++APos;
      return InvalidCodePoint;
    }
    Value = (Value << 6) | (Byte(APos + I) & 0x3F);
  }
  constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (Value < Smallest[Length] || Value > 0x10FFFF || (Value >= 0xD800 && Value <= 0xDFFF)) {
    ++APos;
    return InvalidCodePoint;
  }
  APos += Length;
  return Value;
}

void AppendUtf8(std::string& AOut, char32_t ACodePoint) {
  const auto Put = [&](char32_t AByte) { AOut.push_back(static_cast<char>(AByte)); };
  if (ACodePoint < 0x80) {
    Put(ACodePoint);
  } else if (ACodePoint < 0x800) {
    Put(0xC0 | (ACodePoint >> 6));
    Put(0x80 | (ACodePoint & 0x3F));
  } else if (ACodePoint < 0x10000) {
    Put(0xE0 | (ACodePoint >> 12));
    Put(0x80 | ((ACodePoint >> 6) & 0x3F));
    Put(0x80 | (ACodePoint & 0x3F));
  } else {
    Put(0xF0 | (ACodePoint >> 18));
    Put(0x80 | ((ACodePoint >> 12) & 0x3F));
    Put(0x80 | ((ACodePoint >> 6) & 0x3F));
    Put(0x80 | (ACodePoint & 0x3F));
  }
}

std::string SanitizeUtf8(std::string_view AText) {
  std::string Result;
  Result.reserve(AText.size());
  for (std::size_t Pos = 0; Pos < AText.size();) {
    const char32_t CodePoint = NextCodePoint(AText, Pos);
    AppendUtf8(Result, CodePoint == InvalidCodePoint ? ReplacementCharacter : CodePoint);
  }
  return Result;
}

// ---- iconv -------------------------------------------------------------------------------------

const char* IconvName(TTextEncoding AEncoding) {
  switch (AEncoding) {
    case TTextEncoding::Utf8: return "UTF-8";
    case TTextEncoding::Utf16LE: return "UTF-16LE";
    case TTextEncoding::Utf16BE: return "UTF-16BE";
    case TTextEncoding::Windows1251: return "CP1251";
  }
  return "UTF-8";
}

// What to do with an input unit the converter rejects: append a replacement to the output and
// return how many input bytes it stood for.
using TInvalidUnitHandler = std::size_t (*)(std::string_view ARest, std::string& AOut);

class TIconvHandle {
 public:
  TIconvHandle(TTextEncoding ATo, TTextEncoding AFrom) : FHandle(::iconv_open(IconvName(ATo), IconvName(AFrom))) {
    if (FHandle == reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1))) RaiseLastOSError();
  }
  TIconvHandle(const TIconvHandle&) = delete;
  TIconvHandle& operator=(const TIconvHandle&) = delete;
  ~TIconvHandle() { ::iconv_close(FHandle); }

  std::string Convert(std::string_view AInput, TInvalidUnitHandler AOnInvalid) {
    std::string Result;
    char* Input = const_cast<char*>(AInput.data());  // iconv never writes through it
    std::size_t InputLeft = AInput.size();
    while (InputLeft > 0) {
      char Buffer[4096];
      char* Output = Buffer;
      std::size_t OutputLeft = sizeof Buffer;
      const std::size_t Converted = ::iconv(FHandle, &Input, &InputLeft, &Output, &OutputLeft);
      Result.append(Buffer, static_cast<std::size_t>(Output - Buffer));
      if (Converted != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
      const std::size_t Skipped = AOnInvalid(std::string_view(Input, InputLeft), Result);
      Input += Skipped;
      InputLeft -= Skipped;
      ::iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
    }
    return Result;
  }

 private:
  iconv_t FHandle;
};

std::size_t ReplaceUtf16Unit(std::string_view ARest, std::string& AOut) {
  AppendUtf8(AOut, ReplacementCharacter);
  return ARest.size() < 2 ? ARest.size() : 2;
}

// 0x98 is the one byte Windows-1251 leaves undefined; it is kept as U+0098, as the platform's own
// converter does, so that a file read and written back keeps it.
std::size_t KeepAnsiByte(std::string_view ARest, std::string& AOut) {
  AppendUtf8(AOut, static_cast<unsigned char>(ARest[0]));
  return 1;
}

std::size_t AnsiSubstitute(std::string_view ARest, std::string& AOut) {
  std::size_t Length = 0;
  const char32_t CodePoint = NextCodePoint(ARest, Length);
  AOut.push_back(CodePoint == 0x98 ? '\x98' : '?');
  return Length;
}

// ---- case --------------------------------------------------------------------------------------

// The "C.UTF-8" locale object: full Unicode case mappings, independent of the process locale.
class TCaseLocale {
 public:
  TCaseLocale() : FLocale(::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{})) {}
  TCaseLocale(const TCaseLocale&) = delete;
  TCaseLocale& operator=(const TCaseLocale&) = delete;
  ~TCaseLocale() {
    if (FLocale) ::freelocale(FLocale);
  }

  char32_t Upper(char32_t ACodePoint) const {
    if (FLocale) return static_cast<char32_t>(::towupper_l(static_cast<wint_t>(ACodePoint), FLocale));
    return ACodePoint >= 'a' && ACodePoint <= 'z' ? ACodePoint - 32 : ACodePoint;  // no such locale: ASCII
  }

 private:
  locale_t FLocale;
};

const TCaseLocale& CaseLocale() {
  static const TCaseLocale Instance;
  return Instance;
}

bool StartsWith(std::string_view ABytes, std::string_view APrefix) { return ABytes.substr(0, APrefix.size()) == APrefix; }

}  // namespace

bool IsValidUtf8Bytes(std::string_view ABytes) {
  for (std::size_t Pos = 0; Pos < ABytes.size();)
    if (NextCodePoint(ABytes, Pos) == InvalidCodePoint) return false;
  return true;
}

std::string DecodeAs(std::string_view ABytes, TTextEncoding AEncoding) {
  switch (AEncoding) {
    case TTextEncoding::Utf8: return SanitizeUtf8(ABytes);
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE: return TIconvHandle(TTextEncoding::Utf8, AEncoding).Convert(ABytes, ReplaceUtf16Unit);
    case TTextEncoding::Windows1251: return TIconvHandle(TTextEncoding::Utf8, AEncoding).Convert(ABytes, KeepAnsiByte);
  }
  return SanitizeUtf8(ABytes);
}

TDecodedText DecodeText(std::string_view ABytes) {
  static constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF", Utf16LEBom = "\xFF\xFE", Utf16BEBom = "\xFE\xFF";
  if (StartsWith(ABytes, Utf8Bom)) return {SanitizeUtf8(ABytes.substr(3)), TTextEncoding::Utf8, true};
  if (StartsWith(ABytes, Utf16LEBom))
    return {DecodeAs(ABytes.substr(2), TTextEncoding::Utf16LE), TTextEncoding::Utf16LE, true};
  if (StartsWith(ABytes, Utf16BEBom))
    return {DecodeAs(ABytes.substr(2), TTextEncoding::Utf16BE), TTextEncoding::Utf16BE, true};
  if (IsValidUtf8Bytes(ABytes)) return {std::string(ABytes), TTextEncoding::Utf8, false};
  return {DecodeAs(ABytes, TTextEncoding::Windows1251), TTextEncoding::Windows1251, false};
}

std::string EncodeText(std::string_view AText, TTextEncoding AEncoding, bool ABom) {
  const std::string Clean = SanitizeUtf8(AText);
  switch (AEncoding) {
    case TTextEncoding::Utf8: return (ABom ? "\xEF\xBB\xBF" : "") + Clean;
    case TTextEncoding::Utf16LE:
      return (ABom ? "\xFF\xFE" : "") + TIconvHandle(AEncoding, TTextEncoding::Utf8).Convert(Clean, ReplaceUtf16Unit);
    case TTextEncoding::Utf16BE:
      return (ABom ? "\xFE\xFF" : "") + TIconvHandle(AEncoding, TTextEncoding::Utf8).Convert(Clean, ReplaceUtf16Unit);
    case TTextEncoding::Windows1251: return TIconvHandle(AEncoding, TTextEncoding::Utf8).Convert(Clean, AnsiSubstitute);
  }
  return Clean;
}

bool CanEncode(std::string_view AText, TTextEncoding AEncoding) {
  if (AEncoding != TTextEncoding::Windows1251) return IsValidUtf8Bytes(AText);
  // Whatever comes back unchanged was representable.
  return IsValidUtf8Bytes(AText) && DecodeAs(EncodeText(AText, AEncoding), AEncoding) == AText;
}

std::string FoldCase(std::string_view AText) {
  std::string Result;
  Result.reserve(AText.size());
  for (std::size_t Pos = 0; Pos < AText.size();) {
    const std::size_t Start = Pos;
    const char32_t CodePoint = NextCodePoint(AText, Pos);
    if (CodePoint == InvalidCodePoint)
      Result.append(AText.substr(Start, Pos - Start));
    else
      AppendUtf8(Result, CaseLocale().Upper(CodePoint));
  }
  return Result;
}

bool SameName(std::string_view A, std::string_view B) { return A == B || FoldCase(A) == FoldCase(B); }

}  // namespace Quellit::Platform
