// Text and locale services (over the text engine, Lib/Text) and the shared system utilities.
//
// Strings are UTF-8. "Ansi" routines follow the user's locale (LC_ALL / LC_COLLATE / LC_TIME /
// LANG, read once; SetUserLocale overrides it) and fold Unicode case, Cyrillic included, with full
// mappings ("ß" is "SS"): the text engine's linguistic folding. The routines without the prefix are
// ordinal and fold ASCII letters only. Names of files, INI keys and registry names are compared
// with Platform::SameName, the engine's ordinal folding, instead.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Lib/Common/Common.Numbers.h"
#include <vector>

#include "Lib/Common/Common.Object.h"

namespace Quellit {

// ---- locale --------------------------------------------------------------------------------
// The ICU locale id in use ("ru_RU"); SetUserLocale also rebuilds FormatSettings. Without a locale
// in the environment ("C", "POSIX" or nothing) the id is "en_US_POSIX": ASCII order, US forms.
// Set it before other threads use the text services: FormatSettings is shared, not locked.
std::string UserLocale();
void SetUserLocale(const std::string& ALocaleId);
// Drops the override: the environment's locale applies again.
void ResetUserLocale();

// ---- comparison and case ---------------------------------------------------------------------
int CompareStr(std::string_view A, std::string_view B);          // ordinal, by bytes
int CompareText(std::string_view A, std::string_view B);         // ordinal, ASCII case folded
bool SameStr(std::string_view A, std::string_view B);
bool SameText(std::string_view A, std::string_view B);
std::string UpperCase(std::string_view S);                       // ASCII letters only
std::string LowerCase(std::string_view S);
int AnsiCompareStr(std::string_view A, std::string_view B);      // locale collation
int AnsiCompareText(std::string_view A, std::string_view B);     // locale collation, case ignored
bool AnsiSameStr(std::string_view A, std::string_view B);
bool AnsiSameText(std::string_view A, std::string_view B);       // AnsiCompareText(A, B) == 0
std::string AnsiUpperCase(std::string_view S);                   // Unicode, under the locale
std::string AnsiLowerCase(std::string_view S);
// Upper-cases like AnsiUpperCase and records, for every byte of the result, the offset in S of the
// character it came from (one more entry: S.size()), so that a match found in the upper-cased copy
// can be mapped back to the original text.
std::string AnsiUpperCase(std::string_view S, std::vector<std::size_t>& AOrigins);

// ---- code pages --------------------------------------------------------------------------------
bool IsValidUtf8(std::string_view S);
std::size_t Utf8Length(std::string_view S);                      // in code points
std::string Win1251ToUtf8(std::string_view ABytes);
std::string Utf8ToWin1251(std::string_view AText);               // unmappable characters become "?"
std::u16string Utf8ToUtf16(std::string_view AText);
std::string Utf16ToUtf8(std::u16string_view AText);
// The OEM code page of the Russian systems (CP866) against Windows-1251; one byte per character,
// unmappable ones become "?".
std::string AnsiToOem(std::string_view AAnsi);
std::string OemToAnsi(std::string_view AOem);

// The shared Windows-1251 codec: bytes to UTF-8 text and back.
class TWin1251Encoding : public TObject {
 public:
  std::string Decode(std::string_view ABytes) const;
  std::string Encode(std::string_view AText) const;  // unmappable characters become "?"
};
// Created on first request and kept until the program ends.
const TWin1251Encoding& Win1251Encoding();

// ---- small conversions -------------------------------------------------------------------------
std::string Trim(std::string_view S);                            // blanks and control characters
std::string TrimLeft(std::string_view S);
std::string TrimRight(std::string_view S);
std::string IntToStr(std::int64_t AValue);
// Floating-point text with FormatSettings.DecimalSeparator.
std::string FloatToStr(double AValue);
bool TryStrToFloat(std::string_view S, double& AValue);

// ---- date and time ---------------------------------------------------------------------------
// Days since 1899-12-30, the fraction being the time of day.
using TDateTime = double;

TDateTime EncodeDate(int AYear, int AMonth, int ADay);           // EConvertError when invalid
TDateTime EncodeTime(int AHour, int AMinute, int ASecond, int AMillisecond);
TDateTime EncodeDateTime(int AYear, int AMonth, int ADay, int AHour, int AMinute, int ASecond, int AMillisecond);
bool TryEncodeDate(int AYear, int AMonth, int ADay, TDateTime& AResult);
bool TryEncodeTime(int AHour, int AMinute, int ASecond, int AMillisecond, TDateTime& AResult);
void DecodeDate(TDateTime AValue, int& AYear, int& AMonth, int& ADay);
void DecodeTime(TDateTime AValue, int& AHour, int& AMinute, int& ASecond, int& AMillisecond);
TDateTime Now();                                                 // local clock
TDateTime UnixTimeToLocalDateTime(std::int64_t ASeconds);

// The process-wide format settings, taken from the user's locale. Date and time patterns use
// ICU's pattern letters ("dd.MM.y", "HH:mm:ss").
struct TFormatSettings {
  std::string DecimalSeparator;
  std::string ThousandSeparator;
  std::string ShortDateFormat;
  std::string LongTimeFormat;
};
const TFormatSettings& FormatSettings();

std::string DateToStr(TDateTime AValue);                         // short date
std::string TimeToStr(TDateTime AValue);                         // long time
// Short date, a blank and long time; the time is left out when it is exactly midnight.
std::string DateTimeToStr(TDateTime AValue);
bool TryStrToDateTime(std::string_view S, TDateTime& AValue);    // the forms DateTimeToStr writes

}  // namespace Quellit
