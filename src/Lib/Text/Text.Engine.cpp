#include "Lib/Text/Text.Engine.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <unordered_map>

namespace Quellit::Text {

// ---- UTF-8 and UTF-16 --------------------------------------------------------------------------

char32_t NextCodePoint(std::string_view AText, std::size_t& APos) {
  const auto Byte = [&](std::size_t I) { return static_cast<unsigned char>(AText[I]); };
  const unsigned char Lead = Byte(APos);
  const std::size_t Length =
      Lead < 0x80 ? 1 : (Lead >> 5) == 0x6 ? 2 : (Lead >> 4) == 0xE ? 3 : (Lead >> 3) == 0x1E ? 4 : 0;
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

bool IsValidUtf8(std::string_view AText) {
  for (std::size_t Pos = 0; Pos < AText.size();)
    if (NextCodePoint(AText, Pos) == InvalidCodePoint) return false;
  return true;
}

std::size_t Utf8Length(std::string_view AText) {
  std::size_t Count = 0;
  for (std::size_t Pos = 0; Pos < AText.size(); ++Count) NextCodePoint(AText, Pos);
  return Count;
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

namespace {

void AppendUtf16(std::u16string& AOut, char32_t ACodePoint) {
  if (ACodePoint < 0x10000) {
    AOut.push_back(static_cast<char16_t>(ACodePoint));
  } else {
    ACodePoint -= 0x10000;
    AOut.push_back(static_cast<char16_t>(0xD800 + (ACodePoint >> 10)));
    AOut.push_back(static_cast<char16_t>(0xDC00 + (ACodePoint & 0x3FF)));
  }
}

bool IsHighSurrogate(char32_t AUnit) { return AUnit >= 0xD800 && AUnit <= 0xDBFF; }
bool IsLowSurrogate(char32_t AUnit) { return AUnit >= 0xDC00 && AUnit <= 0xDFFF; }

}  // namespace

std::u16string Utf8ToUtf16(std::string_view AText) {
  std::u16string Result;
  Result.reserve(AText.size());
  for (std::size_t Pos = 0; Pos < AText.size();) {
    const char32_t CodePoint = NextCodePoint(AText, Pos);
    AppendUtf16(Result, CodePoint == InvalidCodePoint ? ReplacementCharacter : CodePoint);
  }
  return Result;
}

std::string Utf16ToUtf8(std::u16string_view AText) {
  std::string Result;
  Result.reserve(AText.size());
  for (std::size_t I = 0; I < AText.size(); ++I) {
    const char32_t Unit = AText[I];
    if (IsHighSurrogate(Unit) && I + 1 < AText.size() && IsLowSurrogate(AText[I + 1])) {
      AppendUtf8(Result, 0x10000 + ((Unit - 0xD800) << 10) + (AText[++I] - 0xDC00));
    } else {
      AppendUtf8(Result, IsHighSurrogate(Unit) || IsLowSurrogate(Unit) ? ReplacementCharacter : Unit);
    }
  }
  return Result;
}

// ---- the ordinal folding -----------------------------------------------------------------------
namespace {

// The upper-case table of that file system covers the 16-bit plane only: a character outside it
// is two code units, each its own upper case.
char32_t OrdinalUpper(char32_t ACodePoint) {
  if (ACodePoint < 0x80) return ACodePoint >= 'a' && ACodePoint <= 'z' ? ACodePoint - 32 : ACodePoint;
  if (ACodePoint >= 0x10000) return ACodePoint;
  const char32_t Upper = SimpleUpperCase(ACodePoint);
  return Upper < 0x10000 ? Upper : ACodePoint;
}

constexpr char32_t ForeignByteBase = 0xDC00;

}  // namespace

std::string OrdinalUpperCase(std::string_view AText) {
  std::string Result;
  Result.reserve(AText.size());
  for (std::size_t Pos = 0; Pos < AText.size();) {
    const std::size_t Start = Pos;
    const char32_t CodePoint = NextCodePoint(AText, Pos);
    if (CodePoint == InvalidCodePoint)
      Result.append(AText.substr(Start, Pos - Start));
    else
      AppendUtf8(Result, OrdinalUpper(CodePoint));
  }
  return Result;
}

std::u32string OrdinalUpperCodePoints(std::string_view AText) {
  std::u32string Result;
  Result.reserve(AText.size());
  for (std::size_t Pos = 0; Pos < AText.size();) {
    const std::size_t Start = Pos;
    const char32_t CodePoint = NextCodePoint(AText, Pos);
    Result.push_back(CodePoint == InvalidCodePoint ? ForeignByteBase + static_cast<unsigned char>(AText[Start])
                                                   : OrdinalUpper(CodePoint));
  }
  return Result;
}

int CompareOrdinalIgnoreCase(std::string_view A, std::string_view B) {
  std::u16string UnitsA, UnitsB;
  for (char32_t CodePoint : OrdinalUpperCodePoints(A)) AppendUtf16(UnitsA, CodePoint);
  for (char32_t CodePoint : OrdinalUpperCodePoints(B)) AppendUtf16(UnitsB, CodePoint);
  const int Order = UnitsA.compare(UnitsB);
  return (Order > 0) - (Order < 0);
}

bool SameOrdinalIgnoreCase(std::string_view A, std::string_view B) {
  return A == B || CompareOrdinalIgnoreCase(A, B) == 0;
}

// ---- code pages --------------------------------------------------------------------------------
namespace {

// The upper halves of the two code pages as the product's platform maps them; 0 marks the byte
// Windows-1251 leaves unassigned. The lower half of both is ASCII, the control characters included:
// no rotation of 0x1A, 0x1C and 0x7F as in IBM's table of code page 866, which would change those
// bytes on their way between the two code pages. Fixed here rather than asked of a backend, so every
// platform converts the same bytes to the same characters.
constexpr char16_t Windows1251Upper[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

constexpr char16_t Oem866Upper[128] = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,
};

}  // namespace

char32_t CodePageCharacter(TCodePage ACodePage, unsigned char AByte) {
  if (AByte < 0x80) return AByte;
  const char16_t Character = (ACodePage == TCodePage::Windows1251 ? Windows1251Upper : Oem866Upper)[AByte - 0x80];
  return Character == 0 ? InvalidCodePoint : Character;
}

namespace {

// Both directions of one single-byte code page, built once from the backend's characters.
struct TCodePageTables {
  std::array<char32_t, 256> Characters{};
  std::unordered_map<char32_t, char> Bytes;
};

TCodePageTables BuildTables(TCodePage ACodePage) {
  TCodePageTables Tables;
  for (unsigned Byte = 0; Byte < 256; ++Byte) {
    char32_t Character = CodePageCharacter(ACodePage, static_cast<unsigned char>(Byte));
    if (Character == InvalidCodePoint) Character = Byte;
    Tables.Characters[Byte] = Character;
    Tables.Bytes.try_emplace(Character, static_cast<char>(Byte));
  }
  return Tables;
}

const TCodePageTables& Tables(TCodePage ACodePage) {
  static std::once_flag Built[2];
  static TCodePageTables Shared[2];
  const auto Index = static_cast<std::size_t>(ACodePage);
  std::call_once(Built[Index], [&] { Shared[Index] = BuildTables(ACodePage); });
  return Shared[Index];
}

}  // namespace

std::string DecodeCodePage(std::string_view ABytes, TCodePage ACodePage) {
  const TCodePageTables& Table = Tables(ACodePage);
  std::string Result;
  Result.reserve(ABytes.size() * 2);
  for (char Byte : ABytes) AppendUtf8(Result, Table.Characters[static_cast<unsigned char>(Byte)]);
  return Result;
}

std::string EncodeCodePage(std::string_view AText, TCodePage ACodePage) {
  const TCodePageTables& Table = Tables(ACodePage);
  std::string Result;
  Result.reserve(AText.size());
  for (std::size_t Pos = 0; Pos < AText.size();) {
    const auto Found = Table.Bytes.find(NextCodePoint(AText, Pos));
    Result.push_back(Found == Table.Bytes.end() ? '?' : Found->second);
  }
  return Result;
}

bool CanEncodeCodePage(std::string_view AText, TCodePage ACodePage) {
  const TCodePageTables& Table = Tables(ACodePage);
  for (std::size_t Pos = 0; Pos < AText.size();)
    if (!Table.Bytes.contains(NextCodePoint(AText, Pos))) return false;
  return true;
}

}  // namespace Quellit::Text
