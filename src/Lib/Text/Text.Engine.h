// The one text engine of the system, the platform layer included: UTF-8 and UTF-16 forms, case,
// comparison without regard to case, collation, the 8-bit code pages and the locale's number and
// date forms. Text is UTF-8 in and out.
//
// Two foldings, kept apart on purpose because the product's platform keeps them apart:
// - the ordinal one (file names, INI keys, registry names) upper-cases each UTF-16 code unit by its
//   simple 1:1 mapping and compares code units as numbers, as that platform's file system and
//   registry compare names: "ß" stays "ß" and "ﬁ" stays "ﬁ", so "straße" and "STRASSE" differ;
// - the linguistic one (the Ansi… routines) uses full case mappings ("ß" is "SS", "ﬁ" is "FI") and
//   the collation of a locale, tailored to sort as that platform's word sort does.
// Each comparison of a folding agrees with its own equality: equal means compare == 0.
//
// Text.Engine.cpp holds what is portable, the code-page tables among it; the case tables, collation
// and the locale forms come from one backend file (ICU here; the national-language functions on
// Windows).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Quellit::Text {

// ---- UTF-8 and UTF-16 --------------------------------------------------------------------------
inline constexpr char32_t InvalidCodePoint = 0xFFFFFFFF;
inline constexpr char32_t ReplacementCharacter = 0xFFFD;

// The code point starting at APos, APos moved past it; InvalidCodePoint (and one byte consumed)
// for anything that is not the shortest-form encoding of a Unicode scalar value.
char32_t NextCodePoint(std::string_view AText, std::size_t& APos);
void AppendUtf8(std::string& AOut, char32_t ACodePoint);
bool IsValidUtf8(std::string_view AText);
// In code points; each byte that is not UTF-8 counts as one, as it becomes one U+FFFD.
std::size_t Utf8Length(std::string_view AText);
// Every byte that is not UTF-8 becomes U+FFFD.
std::string SanitizeUtf8(std::string_view AText);
std::u16string Utf8ToUtf16(std::string_view AText);  // bytes that are not UTF-8 become U+FFFD
std::string Utf16ToUtf8(std::u16string_view AText);  // a lone surrogate becomes U+FFFD

// ---- the ordinal folding -----------------------------------------------------------------------
// The name upper-cased code unit by code unit, as UTF-8; bytes that are not UTF-8 stay as they are.
std::string OrdinalUpperCase(std::string_view AText);
// The upper-cased name as code points; a byte that is not UTF-8 stands for itself in the
// low-surrogate range (0xDC00 + byte, as a lone surrogate on that file system), so every name has
// a place in the order and two different names never look alike.
std::u32string OrdinalUpperCodePoints(std::string_view AText);
// -1, 0 or 1 by the upper-cased UTF-16 code units.
int CompareOrdinalIgnoreCase(std::string_view A, std::string_view B);
bool SameOrdinalIgnoreCase(std::string_view A, std::string_view B);

// ---- the linguistic folding --------------------------------------------------------------------
// ALocaleId is an ICU-style id ("ru_RU", "en_US_POSIX"); case mapping follows its language
// (Turkic dotted and dotless i), comparison its collation.
std::string UpperCase(std::string_view AText, const std::string& ALocaleId);
std::string LowerCase(std::string_view AText, const std::string& ALocaleId);

enum class TCaseSensitivity { CaseSensitive, IgnoreCase };
// -1, 0 or 1 in the locale's collation. Every locale but the POSIX one ("en_US_POSIX", code-point
// order of ASCII) sorts as the product's platform's word sort: Latin before Cyrillic, "ё" its own
// letter right after "е", hyphen and apostrophe ignored at the first level (so "coop" < "co-op" <
// "cop") but not ignored altogether. IgnoreCase compares the full upper-case mappings, so
// "straße" and "STRASSE" are equal there. Raises EConvertError when the locale has no collation.
int Collate(std::string_view A, std::string_view B, const std::string& ALocaleId, TCaseSensitivity ACase);

// ---- code pages --------------------------------------------------------------------------------
enum class TCodePage { Windows1251, Oem866 };

// Every byte has a character: one the code page leaves unassigned (0x98 of Windows-1251) is kept as
// the code point of the same number, as the product's platform does, so text read and written back
// is unchanged to the byte.
std::string DecodeCodePage(std::string_view ABytes, TCodePage ACodePage);
// One byte per character; a character the code page cannot hold (or a byte that is not UTF-8)
// becomes "?".
std::string EncodeCodePage(std::string_view AText, TCodePage ACodePage);
// Whether every character of the UTF-8 text has a byte in the code page.
bool CanEncodeCodePage(std::string_view AText, TCodePage ACodePage);
// The character of one byte in the code page; InvalidCodePoint when the code page leaves it unassigned.
char32_t CodePageCharacter(TCodePage ACodePage, unsigned char AByte);

// ---- locale forms ------------------------------------------------------------------------------
struct TNumberSymbols {
  std::string DecimalSeparator;
  std::string ThousandSeparator;
};
// False when the locale has no number symbols.
bool LocaleNumberSymbols(const std::string& ALocaleId, TNumberSymbols& ASymbols);
// The locale's short date and medium time patterns in ICU's pattern letters ("dd.MM.y",
// "HH:mm:ss"); empty when it has none.
std::string LocaleShortDatePattern(const std::string& ALocaleId);
std::string LocaleTimePattern(const std::string& ALocaleId);
// A clock time without zone, as milliseconds from 1970-01-01 00:00 in the proleptic Gregorian
// calendar. An invalid pattern raises EConvertError.
std::string FormatClockTime(double AMilliseconds, const std::string& APattern, const std::string& ALocaleId);
// The whole text read with the pattern, strictly; false when it does not fit.
bool ParseClockTime(std::string_view AText, const std::string& APattern, const std::string& ALocaleId,
                    double& AMilliseconds);

// ---- what the backend provides -----------------------------------------------------------------
// The simple (1:1) upper-case mapping of one code point; the code point itself when it has none.
char32_t SimpleUpperCase(char32_t ACodePoint);

}  // namespace Quellit::Text
