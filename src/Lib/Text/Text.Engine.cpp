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
