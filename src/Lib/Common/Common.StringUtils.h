// String routines shared by every library: joins that never double a separator, a replace with
// case folding, blank tests, searches, and an appender that grows its buffer geometrically.
//
// Strings are UTF-8. Where a routine speaks of characters (padding, dropping one) it counts code
// points; positions and lengths of substrings are in bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "Lib/Common/Common.Object.h"

namespace Quellit {

using TStringDynArray = std::vector<std::string>;

// Class operations only.
class TStringUtils {
 public:
  TStringUtils() = delete;

  // The non-empty strings with ADelimiter between consecutive ones; empty strings are skipped.
  static std::string Join(std::initializer_list<std::string_view> AStrings, std::string_view ADelimiter);
  static std::string Join(const TStringDynArray& AStrings, std::string_view ADelimiter);
  // Over elements max(AIndex, 0) .. min(last, AIndex + ACount - 1).
  static std::string Join(const TStringDynArray& AStrings, int AIndex, int ACount, std::string_view ADelimiter);

  // Windows-1251 bytes to the OEM code page (CP866) and back, byte for byte.
  static std::string CharToOemA(std::string_view AWin);
  static std::string OemToCharA(std::string_view AOemStr);

  static bool CharIsNumeric(char AChar, bool AIncludeMinus);
  static bool CharIsNumeric(char16_t AChar, bool AIncludeMinus);

  // S padded on the left with ACharForAdd to AResLength characters; a longer S is kept as is.
  static std::string AddLeadingChars(std::string_view S, int AResLength, char32_t ACharForAdd);
  static std::u16string AddLeadingChars(std::u16string_view S, int AResLength, char16_t ACharForAdd);

  static std::string DropLastChar(std::string_view S, char32_t ALastChar);
  static std::string DropFirstChar(std::string_view S, char32_t AFirstChar);
  static std::string DropFirstStr(std::string_view S, std::string_view AFirstStr);
  static std::string AddFirstStr(std::string_view S, std::string_view AFirstStr);
  // An empty S stays empty: there is nothing to terminate.
  static std::string AddLastChar(std::string_view S, char32_t ALastChar);
};

enum TReplaceFlag : std::uint8_t { rfReplaceAll = 1, rfIgnoreCase = 2 };

// A small set of TReplaceFlag values: rfReplaceAll | rfIgnoreCase.
class TReplaceFlags {
 public:
  constexpr TReplaceFlags() = default;
  constexpr TReplaceFlags(TReplaceFlag AFlag) : FBits(AFlag) {}
  constexpr bool Contains(TReplaceFlag AFlag) const { return (FBits & AFlag) != 0; }
  friend constexpr TReplaceFlags operator|(TReplaceFlags A, TReplaceFlags B) { return TReplaceFlags(A.FBits | B.FBits); }

 private:
  constexpr explicit TReplaceFlags(int ABits) : FBits(static_cast<std::uint8_t>(ABits)) {}
  std::uint8_t FBits = 0;
};

constexpr TReplaceFlags operator|(TReplaceFlag A, TReplaceFlag B) { return TReplaceFlags(A) | TReplaceFlags(B); }

// Occurrences of AOldPattern, found left to right without overlap (with rfIgnoreCase under the
// user's locale), replaced by ANewPattern; without rfReplaceAll only the first one.
std::string FastStringReplace(std::string_view AText, std::string_view AOldPattern, std::string_view ANewPattern,
                              TReplaceFlags AFlags = {});

// Concatenation with exactly one ASeparator at each junction; empty parts are skipped and
// separators inside the parts are left alone.
std::string JoinWithSeparator(std::string_view A, std::string_view B, char ASeparator);
std::string JoinWithSeparator(const TStringDynArray& AParts, char ASeparator);

bool IsBlank(std::string_view S, bool ATrimFirst = true);
// Index of the first element equal to S under the locale's collation; -1 when none.
int IndexOfString(std::string_view S, const TStringDynArray& AStrings, bool ACaseSensitive);
// 1-based byte position of ASubStr in S ignoring case under the user's locale; 0 when absent.
std::size_t PosText(std::string_view ASubStr, std::string_view S);

// Builds a string in place: the buffer grows to the larger of the needed length, twice its old
// capacity and 10, and the result takes its final length once.
class TStringAppender : public TObject {
 public:
  void Append(std::string_view S);
  void Append(char AChar);
  // UTF-16LE bytes, converted to UTF-8; an odd count cannot hold whole code units and raises.
  void AppendUtf16Bytes(const void* ABytes, std::size_t ACount);
  std::size_t Length() const { return FLength; }
  std::size_t Capacity() const { return FBuffer.size(); }
  // Hands the text over; the appender is empty afterwards.
  std::string Release();

 private:
  void Reserve(std::size_t ANeeded);

  std::string FBuffer;  // its size is the capacity; the text is the first FLength bytes
  std::size_t FLength = 0;
};

}  // namespace Quellit
