#include "Lib/Common/Common.StringUtils.h"

#include <algorithm>
#include <utility>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.SysUtils.h"

namespace Quellit {

// ---- helpers ---------------------------------------------------------------------------------
namespace {

std::string EncodeUtf8(char32_t C) {
  std::string Result;
  const auto Byte = [](std::uint32_t AValue) { return static_cast<char>(AValue); };
  auto Code = static_cast<std::uint32_t>(C);
  // A surrogate or a value past Unicode (a sign-extended 8-bit char) is no character.
  if ((Code >= 0xD800 && Code <= 0xDFFF) || Code > 0x10FFFF) Code = 0xFFFD;
  if (Code < 0x80) {
    Result += Byte(Code);
  } else if (Code < 0x800) {
    Result += Byte(0xC0 | (Code >> 6));
    Result += Byte(0x80 | (Code & 0x3F));
  } else if (Code < 0x10000) {
    Result += Byte(0xE0 | (Code >> 12));
    Result += Byte(0x80 | ((Code >> 6) & 0x3F));
    Result += Byte(0x80 | (Code & 0x3F));
  } else {
    Result += Byte(0xF0 | (Code >> 18));
    Result += Byte(0x80 | ((Code >> 12) & 0x3F));
    Result += Byte(0x80 | ((Code >> 6) & 0x3F));
    Result += Byte(0x80 | (Code & 0x3F));
  }
  return Result;
}

struct TMatch {
  std::size_t Start;
  std::size_t End;
};

// Byte ranges of the occurrences, left to right without overlap.
std::vector<TMatch> FindOrdinal(std::string_view AText, std::string_view APattern, bool AAll) {
  std::vector<TMatch> Result;
  for (std::size_t Pos = AText.find(APattern); Pos != std::string_view::npos;
       Pos = AText.find(APattern, Pos + APattern.size())) {
    Result.push_back({Pos, Pos + APattern.size()});
    if (!AAll) break;
  }
  return Result;
}

// The same on upper-cased copies; a match is kept only when it covers whole characters of the
// original, so that "S" never matches half of the "SS" that "ß" became.
std::vector<TMatch> FindIgnoringCase(std::string_view AText, std::string_view APattern, bool AAll) {
  std::vector<std::size_t> Origins;
  const std::string Upper = AnsiUpperCase(AText, Origins);
  const std::string Pattern = AnsiUpperCase(APattern);
  const auto StartsCharacter = [&Origins](std::size_t I) { return I == 0 || Origins[I - 1] != Origins[I]; };
  std::vector<TMatch> Result;
  std::size_t Pos = Upper.find(Pattern);
  while (Pos != std::string::npos) {
    const std::size_t End = Pos + Pattern.size();
    if (!StartsCharacter(Pos) || !StartsCharacter(End)) {
      Pos = Upper.find(Pattern, Pos + 1);
      continue;
    }
    Result.push_back({Origins[Pos], Origins[End]});
    if (!AAll) break;
    Pos = Upper.find(Pattern, End);
  }
  return Result;
}

}  // namespace

// ---- TStringUtils ----------------------------------------------------------------------------
std::string TStringUtils::Join(std::initializer_list<std::string_view> AStrings, std::string_view ADelimiter) {
  TStringAppender Result;
  for (std::string_view S : AStrings) {
    if (S.empty()) continue;
    if (Result.Length() > 0) Result.Append(ADelimiter);
    Result.Append(S);
  }
  return Result.Release();
}

std::string TStringUtils::Join(const TStringDynArray& AStrings, std::string_view ADelimiter) {
  return Join(AStrings, 0, static_cast<int>(AStrings.size()), ADelimiter);
}

std::string TStringUtils::Join(const TStringDynArray& AStrings, int AIndex, int ACount, std::string_view ADelimiter) {
  TStringAppender Result;
  const std::int64_t First = std::max(AIndex, 0);
  const std::int64_t Last = std::min<std::int64_t>(static_cast<std::int64_t>(AStrings.size()) - 1,
                                                   static_cast<std::int64_t>(AIndex) + ACount - 1);
  for (std::int64_t I = First; I <= Last; ++I) {
    const std::string& S = AStrings[static_cast<std::size_t>(I)];
    if (S.empty()) continue;
    if (Result.Length() > 0) Result.Append(ADelimiter);
    Result.Append(S);
  }
  return Result.Release();
}

std::string TStringUtils::CharToOemA(std::string_view AWin) { return AnsiToOem(AWin); }
std::string TStringUtils::OemToCharA(std::string_view AOemStr) { return OemToAnsi(AOemStr); }

bool TStringUtils::CharIsNumeric(char AChar, bool AIncludeMinus) {
  return (AChar >= '0' && AChar <= '9') || (AIncludeMinus && AChar == '-');
}

bool TStringUtils::CharIsNumeric(char16_t AChar, bool AIncludeMinus) {
  return (AChar >= u'0' && AChar <= u'9') || (AIncludeMinus && AChar == u'-');
}

std::string TStringUtils::AddLeadingChars(std::string_view S, int AResLength, char32_t ACharForAdd) {
  const auto Length = static_cast<std::int64_t>(Utf8Length(S));
  std::string Result;
  const std::string Pad = EncodeUtf8(ACharForAdd);
  for (std::int64_t I = Length; I < AResLength; ++I) Result += Pad;
  Result += S;
  return Result;
}

std::u16string TStringUtils::AddLeadingChars(std::u16string_view S, int AResLength, char16_t ACharForAdd) {
  const auto Length = static_cast<std::int64_t>(S.size());
  std::u16string Result;
  if (Length < AResLength) Result.assign(static_cast<std::size_t>(AResLength - Length), ACharForAdd);
  Result += S;
  return Result;
}

std::string TStringUtils::DropLastChar(std::string_view S, char32_t ALastChar) {
  const std::string Last = EncodeUtf8(ALastChar);
  return std::string(S.ends_with(Last) ? S.substr(0, S.size() - Last.size()) : S);
}

std::string TStringUtils::DropFirstChar(std::string_view S, char32_t AFirstChar) {
  const std::string First = EncodeUtf8(AFirstChar);
  return std::string(S.starts_with(First) ? S.substr(First.size()) : S);
}

std::string TStringUtils::DropFirstStr(std::string_view S, std::string_view AFirstStr) {
  return std::string(S.starts_with(AFirstStr) ? S.substr(AFirstStr.size()) : S);
}

std::string TStringUtils::AddFirstStr(std::string_view S, std::string_view AFirstStr) {
  if (S.starts_with(AFirstStr)) return std::string(S);
  return std::string(AFirstStr) + std::string(S);
}

std::string TStringUtils::AddLastChar(std::string_view S, char32_t ALastChar) {
  const std::string Last = EncodeUtf8(ALastChar);
  if (S.empty() || S.ends_with(Last)) return std::string(S);
  return std::string(S) + Last;
}

// ---- unit routines ---------------------------------------------------------------------------
std::string FastStringReplace(std::string_view AText, std::string_view AOldPattern, std::string_view ANewPattern,
                              TReplaceFlags AFlags) {
  if (AOldPattern.empty() || AText.empty()) return std::string(AText);
  const bool All = AFlags.Contains(rfReplaceAll);
  const std::vector<TMatch> Matches = AFlags.Contains(rfIgnoreCase) ? FindIgnoringCase(AText, AOldPattern, All)
                                                                   : FindOrdinal(AText, AOldPattern, All);
  TStringAppender Result;
  std::size_t Done = 0;
  for (const TMatch& M : Matches) {
    Result.Append(AText.substr(Done, M.Start - Done));
    Result.Append(ANewPattern);
    Done = M.End;
  }
  Result.Append(AText.substr(Done));
  return Result.Release();
}

std::string JoinWithSeparator(const TStringDynArray& AParts, char ASeparator) {
  std::string Result;
  for (const std::string& Part : AParts) {
    if (Part.empty()) continue;
    if (Result.empty()) {
      Result = Part;
      continue;
    }
    const bool EndsWith = Result.back() == ASeparator;
    const bool StartsWith = Part.front() == ASeparator;
    if (EndsWith && StartsWith)
      Result.append(Part, 1);
    else if (!EndsWith && !StartsWith)
      Result.append(1, ASeparator).append(Part);
    else
      Result += Part;
  }
  return Result;
}

std::string JoinWithSeparator(std::string_view A, std::string_view B, char ASeparator) {
  return JoinWithSeparator(TStringDynArray{std::string(A), std::string(B)}, ASeparator);
}

bool IsBlank(std::string_view S, bool ATrimFirst) { return ATrimFirst ? Trim(S).empty() : S.empty(); }

int IndexOfString(std::string_view S, const TStringDynArray& AStrings, bool ACaseSensitive) {
  for (std::size_t I = 0; I < AStrings.size(); ++I) {
    const int Order = ACaseSensitive ? AnsiCompareStr(S, AStrings[I]) : AnsiCompareText(S, AStrings[I]);
    if (Order == 0) return static_cast<int>(I);
  }
  return -1;
}

std::size_t PosText(std::string_view ASubStr, std::string_view S) {
  if (ASubStr.empty()) return 0;
  const std::vector<TMatch> Matches = FindIgnoringCase(S, ASubStr, false);
  return Matches.empty() ? 0 : Matches.front().Start + 1;
}

// ---- TStringAppender -------------------------------------------------------------------------
void TStringAppender::Reserve(std::size_t ANeeded) {
  if (ANeeded <= FBuffer.size()) return;
  FBuffer.resize(std::max({ANeeded, FBuffer.size() * 2, std::size_t{10}}));
}

void TStringAppender::Append(std::string_view S) {
  if (S.empty()) return;
  Reserve(FLength + S.size());
  std::copy(S.begin(), S.end(), FBuffer.begin() + static_cast<std::ptrdiff_t>(FLength));
  FLength += S.size();
}

void TStringAppender::Append(char AChar) { Append(std::string_view(&AChar, 1)); }

void TStringAppender::AppendUtf16Bytes(const void* ABytes, std::size_t ACount) {
  if (ACount % 2 != 0) throw Exception(Format("Добавить можно только кратное %d число байт", 2));
  const auto* Bytes = static_cast<const unsigned char*>(ABytes);
  std::u16string Units(ACount / 2, u'\0');
  for (std::size_t I = 0; I < Units.size(); ++I)
    Units[I] = static_cast<char16_t>(Bytes[2 * I] | (Bytes[2 * I + 1] << 8));
  Append(Utf16ToUtf8(Units));
}

std::string TStringAppender::Release() {
  FBuffer.resize(FLength);
  FLength = 0;
  return std::exchange(FBuffer, std::string());
}

}  // namespace Quellit
