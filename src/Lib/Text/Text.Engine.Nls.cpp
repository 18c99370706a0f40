// The text engine's backend over the national-language functions of Windows: case through
// LCMapStringEx, collation through CompareStringEx and the locale's forms through GetLocaleInfoEx.
// Clock times are formatted and read here, in the pattern letters the header promises, since the
// system's own date functions speak another picture language and stop at the year 1601.
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Format.h"
#include "Lib/Text/Text.Engine.h"

// The system's headers come last: they define S_OK and other names of ours as macros.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace Quellit::Text {
namespace {

std::wstring WideOf(std::string_view AText) {
  const std::u16string Units = Utf8ToUtf16(AText);
  return std::wstring(Units.begin(), Units.end());
}

std::string Utf8OfWide(std::wstring_view AText) {
  return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(AText.data()), AText.size()));
}

int LengthOf(std::wstring_view AText) {
  if (AText.size() > static_cast<std::size_t>(INT_MAX))
    throw EConvertError("Text too long for the system's text functions");
  return static_cast<int>(AText.size());
}

// The POSIX locale has no counterpart among the system's locales: its case is the invariant one and
// its collation the code-point order.
constexpr const char* PosixLocaleId = "en_US_POSIX";

bool IsPosixLocale(const std::string& ALocaleId) {
  return ALocaleId == PosixLocaleId || ALocaleId == "C" || ALocaleId == "POSIX" || ALocaleId.empty();
}

// "ru_RU" (or "ru_RU.UTF-8") as the system names it, "ru-RU"; the invariant locale ("") for POSIX.
std::wstring SystemLocaleName(const std::string& ALocaleId) {
  std::string Name = ALocaleId.substr(0, ALocaleId.find_first_of(".@"));
  if (IsPosixLocale(Name)) return std::wstring();
  for (char& C : Name)
    if (C == '_') C = '-';
  return WideOf(Name);
}

// A locale as the system names it ("" is the invariant one), and whether the system knows it.
struct TSystemLocale {
  std::wstring Name;
  bool Known = false;
};

// Callers ask with the same few locales many times: each is converted and checked once per thread.
const TSystemLocale& ThreadLocale(const std::string& ALocaleId) {
  thread_local std::map<std::string, TSystemLocale, std::less<>> Cache;
  auto Found = Cache.find(ALocaleId);
  if (Found == Cache.end()) {
    std::wstring Name = SystemLocaleName(ALocaleId);
    const bool Known = Name.empty() || ::IsValidLocaleName(Name.c_str());
    Found = Cache.emplace(ALocaleId, TSystemLocale{std::move(Name), Known}).first;
  }
  return Found->second;
}

// The locale's own name, or the invariant one for a locale the system does not know.
std::wstring KnownOrInvariant(const std::string& ALocaleId) {
  const TSystemLocale& Locale = ThreadLocale(ALocaleId);
  return Locale.Known ? Locale.Name : std::wstring();
}

}  // namespace

// ---- case --------------------------------------------------------------------------------------
namespace {

std::wstring MapWide(const std::wstring& ALocaleName, DWORD AFlags, std::wstring_view ASource) {
  if (ASource.empty()) return std::wstring();
  const int Needed =
      ::LCMapStringEx(ALocaleName.c_str(), AFlags, ASource.data(), LengthOf(ASource), nullptr, 0, nullptr, nullptr, 0);
  if (Needed <= 0) throw EConvertError(Format("Cannot change the case of text (error %d)", int(::GetLastError())));
  std::wstring Result(static_cast<std::size_t>(Needed), L'\0');
  const int Written = ::LCMapStringEx(ALocaleName.c_str(), AFlags, ASource.data(), LengthOf(ASource), Result.data(),
                                      Needed, nullptr, nullptr, 0);
  Result.resize(static_cast<std::size_t>(std::max(Written, 0)));
  return Result;
}

std::string MapCase(std::string_view AText, const std::string& ALocaleId, DWORD ACaseFlag) {
  const std::wstring Name = KnownOrInvariant(ALocaleId);
  // The locale's own rules (the Turkic dotted and dotless i) apply only with linguistic casing.
  const DWORD Flags = ACaseFlag | (Name.empty() ? 0 : LCMAP_LINGUISTIC_CASING);
  return Utf8OfWide(MapWide(Name, Flags, WideOf(AText)));
}

// The system's upper-case table of the 16-bit plane, the one its file system folds names with:
// built in one call, as calling per character would cost more than the folding itself.
const std::array<char16_t, 0x10000>& SimpleUpperTable() {
  static std::once_flag Built;
  static std::array<char16_t, 0x10000> Table;
  std::call_once(Built, [] {
    for (std::size_t Unit = 0; Unit < Table.size(); ++Unit) Table[Unit] = static_cast<char16_t>(Unit);
    std::wstring Source;
    for (std::size_t Unit = 1; Unit < Table.size(); ++Unit)
      if (Unit < 0xD800 || Unit > 0xDFFF) Source.push_back(static_cast<wchar_t>(Unit));
    const std::wstring Upper = MapWide(std::wstring(), LCMAP_UPPERCASE, Source);
    if (Upper.size() != Source.size()) return;  // not one to one: the identity is the safe answer
    for (std::size_t I = 0; I < Source.size(); ++I)
      Table[static_cast<char16_t>(Source[I])] = static_cast<char16_t>(Upper[I]);
  });
  return Table;
}

}  // namespace

char32_t SimpleUpperCase(char32_t ACodePoint) {
  if (ACodePoint < 0x10000) return SimpleUpperTable()[ACodePoint];
  if (ACodePoint > 0x10FFFF) return ACodePoint;
  std::string Text;
  AppendUtf8(Text, ACodePoint);
  const std::wstring Upper = MapWide(std::wstring(), LCMAP_UPPERCASE, WideOf(Text));
  const std::string Back = Utf8OfWide(Upper);
  std::size_t Pos = 0;
  const char32_t Result = Back.empty() ? InvalidCodePoint : NextCodePoint(Back, Pos);
  return Result == InvalidCodePoint || Pos != Back.size() ? ACodePoint : Result;
}

std::string UpperCase(std::string_view AText, const std::string& ALocaleId) {
  return MapCase(AText, ALocaleId, LCMAP_UPPERCASE);
}

std::string LowerCase(std::string_view AText, const std::string& ALocaleId) {
  return MapCase(AText, ALocaleId, LCMAP_LOWERCASE);
}

// ---- collation ---------------------------------------------------------------------------------
namespace {

int Sign(int AValue) { return (AValue > 0) - (AValue < 0); }

// The code-point order, which is the byte order of UTF-8.
int ComparePosix(std::string_view A, std::string_view B, TCaseSensitivity ACase) {
  if (ACase == TCaseSensitivity::CaseSensitive) return Sign(A.compare(B));
  return Sign(UpperCase(A, PosixLocaleId).compare(UpperCase(B, PosixLocaleId)));
}

}  // namespace

int Collate(std::string_view A, std::string_view B, const std::string& ALocaleId, TCaseSensitivity ACase) {
  if (IsPosixLocale(ALocaleId)) return ComparePosix(A, B, ACase);
  const TSystemLocale& Locale = ThreadLocale(ALocaleId);
  if (!Locale.Known) throw EConvertError(Format("No collation for locale \"%s\"", ALocaleId));
  const std::wstring& Name = Locale.Name;
  const std::wstring WideA = WideOf(A), WideB = WideOf(B);
  // The word sort (no SORT_STRINGSORT): hyphen and apostrophe weigh little, as the product's users know it.
  const DWORD Flags = ACase == TCaseSensitivity::IgnoreCase ? NORM_IGNORECASE : 0;
  const int Result = ::CompareStringEx(Name.c_str(), Flags, WideA.data(), LengthOf(WideA), WideB.data(),
                                       LengthOf(WideB), nullptr, nullptr, 0);
  if (Result == 0) throw EConvertError(Format("No collation for locale \"%s\"", ALocaleId));
  return Result - CSTR_EQUAL;
}

// ---- locale forms ------------------------------------------------------------------------------
namespace {

std::optional<std::wstring> LocaleInfo(const std::wstring& ALocaleName, LCTYPE AType) {
  const int Needed = ::GetLocaleInfoEx(ALocaleName.c_str(), AType, nullptr, 0);
  if (Needed <= 0) return std::nullopt;
  std::wstring Result(static_cast<std::size_t>(Needed), L'\0');
  const int Written = ::GetLocaleInfoEx(ALocaleName.c_str(), AType, Result.data(), Needed);
  if (Written <= 0) return std::nullopt;
  Result.resize(static_cast<std::size_t>(Written - 1));  // without the terminating zero
  return Result;
}

// The POSIX locale's forms are the US ones, as a program run under "C" writes numbers and dates.
std::optional<std::wstring> KnownLocaleInfo(const std::string& ALocaleId, LCTYPE AType) {
  if (IsPosixLocale(ALocaleId)) return LocaleInfo(L"en-US", AType);
  const TSystemLocale& Locale = ThreadLocale(ALocaleId);
  if (!Locale.Known) return std::nullopt;
  return LocaleInfo(Locale.Name, AType);
}

bool IsAsciiLetter(wchar_t C) { return (C >= L'a' && C <= L'z') || (C >= L'A' && C <= L'Z'); }

// The ICU letters for a run of one letter of the system's pictures ("dddd" is the day's name).
std::string IcuFieldOf(wchar_t ALetter, std::size_t ACount) {
  const auto Repeat = [](char C, std::size_t N) { return std::string(N, C); };
  switch (ALetter) {
    case L'd': return ACount <= 2 ? Repeat('d', ACount) : ACount == 3 ? "EEE" : "EEEE";
    case L'M': return Repeat('M', std::min<std::size_t>(ACount, 4));
    case L'y': return ACount <= 2 ? "yy" : "yyyy";  // "y" alone, the year without century, has no ICU letter
    case L'g': return "G";
    case L'h':
    case L'H':
    case L'm':
    case L's': return Repeat(static_cast<char>(ALetter), std::min<std::size_t>(ACount, 2));
    case L't': return "a";
    default: return {};
  }
}

// The system's picture ("dd.MM.yyyy", "H:mm:ss", "h:mm:ss tt") in ICU's pattern letters: its
// quoted text stays quoted, and any other letter is quoted, since every ASCII letter is a field to ICU.
std::string IcuPatternOf(std::wstring_view APicture) {
  std::string Result;
  for (std::size_t I = 0; I < APicture.size();) {
    const wchar_t C = APicture[I];
    if (C == L'\'') {
      const std::size_t End = APicture.find(L'\'', I + 1);
      const std::size_t Stop = End == std::wstring_view::npos ? APicture.size() : End + 1;
      Result += Utf8OfWide(APicture.substr(I, Stop - I));
      if (End == std::wstring_view::npos) Result += '\'';
      I = Stop;
      continue;
    }
    std::size_t Count = 1;
    while (I + Count < APicture.size() && APicture[I + Count] == C) ++Count;
    const std::string Field = IsAsciiLetter(C) ? IcuFieldOf(C, Count) : std::string();
    if (!Field.empty())
      Result += Field;
    else if (IsAsciiLetter(C))
      Result += "'" + Utf8OfWide(APicture.substr(I, Count)) + "'";
    else
      Result += Utf8OfWide(APicture.substr(I, Count));
    I += Count;
  }
  return Result;
}

}  // namespace

bool LocaleNumberSymbols(const std::string& ALocaleId, TNumberSymbols& ASymbols) {
  const auto Decimal = KnownLocaleInfo(ALocaleId, LOCALE_SDECIMAL);
  const auto Thousand = KnownLocaleInfo(ALocaleId, LOCALE_STHOUSAND);
  if (!Decimal || !Thousand) return false;
  ASymbols.DecimalSeparator = Utf8OfWide(*Decimal);
  ASymbols.ThousandSeparator = Utf8OfWide(*Thousand);
  return true;
}

std::string LocaleShortDatePattern(const std::string& ALocaleId) {
  const auto Picture = KnownLocaleInfo(ALocaleId, LOCALE_SSHORTDATE);
  return Picture ? IcuPatternOf(*Picture) : std::string();
}

std::string LocaleTimePattern(const std::string& ALocaleId) {
  const auto Picture = KnownLocaleInfo(ALocaleId, LOCALE_STIMEFORMAT);
  return Picture ? IcuPatternOf(*Picture) : std::string();
}

// ---- clock time --------------------------------------------------------------------------------
namespace {

constexpr std::int64_t MillisecondsPerDay = 86'400'000;

struct TCivilDate {
  std::int64_t Year;
  int Month;
  int Day;
};

// Days from 1970-01-01 in the proleptic Gregorian calendar, both ways.
TCivilDate CivilFromDays(std::int64_t ADays) {
  const std::int64_t Z = ADays + 719468;
  const std::int64_t Era = (Z >= 0 ? Z : Z - 146096) / 146097;
  const std::int64_t DayOfEra = Z - Era * 146097;
  const std::int64_t YearOfEra = (DayOfEra - DayOfEra / 1460 + DayOfEra / 36524 - DayOfEra / 146096) / 365;
  const std::int64_t DayOfYear = DayOfEra - (365 * YearOfEra + YearOfEra / 4 - YearOfEra / 100);
  const std::int64_t MonthIndex = (5 * DayOfYear + 2) / 153;
  const int Day = static_cast<int>(DayOfYear - (153 * MonthIndex + 2) / 5 + 1);
  const int Month = static_cast<int>(MonthIndex < 10 ? MonthIndex + 3 : MonthIndex - 9);
  return {YearOfEra + Era * 400 + (Month <= 2 ? 1 : 0), Month, Day};
}

std::int64_t DaysFromCivil(std::int64_t AYear, int AMonth, int ADay) {
  const std::int64_t Year = AYear - (AMonth <= 2 ? 1 : 0);
  const std::int64_t Era = (Year >= 0 ? Year : Year - 399) / 400;
  const std::int64_t YearOfEra = Year - Era * 400;
  const std::int64_t DayOfYear = (153 * (AMonth > 2 ? AMonth - 3 : AMonth + 9) + 2) / 5 + ADay - 1;
  const std::int64_t DayOfEra = YearOfEra * 365 + YearOfEra / 4 - YearOfEra / 100 + DayOfYear;
  return Era * 146097 + DayOfEra - 719468;
}

bool IsLeapYear(std::int64_t AYear) { return (AYear % 4 == 0 && AYear % 100 != 0) || AYear % 400 == 0; }

int DaysInMonth(std::int64_t AYear, int AMonth) {
  constexpr int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return AMonth == 2 && IsLeapYear(AYear) ? 29 : Days[AMonth - 1];
}

// One piece of a pattern: a field (a letter and how many times it stands) or literal text.
struct TPatternPiece {
  char Letter = 0;
  std::size_t Count = 0;
  std::string Literal;
};

constexpr std::string_view SupportedLetters = "GyuMLdDEahHkKmsS";

std::vector<TPatternPiece> SplitPattern(const std::string& APattern) {
  std::vector<TPatternPiece> Pieces;
  const auto AddLiteral = [&](std::string_view AText) {
    if (Pieces.empty() || Pieces.back().Letter != 0) Pieces.emplace_back();
    Pieces.back().Literal += AText;
  };
  for (std::size_t I = 0; I < APattern.size();) {
    const char C = APattern[I];
    if (C == '\'') {
      if (I + 1 < APattern.size() && APattern[I + 1] == '\'') {
        AddLiteral("'");
        I += 2;
        continue;
      }
      std::string Quoted;
      std::size_t J = I + 1;
      for (; J < APattern.size(); ++J) {
        if (APattern[J] != '\'') {
          Quoted += APattern[J];
        } else if (J + 1 < APattern.size() && APattern[J + 1] == '\'') {
          Quoted += '\'';
          ++J;
        } else {
          break;
        }
      }
      if (J >= APattern.size()) throw EConvertError(Format("Invalid date pattern \"%s\"", APattern));
      AddLiteral(Quoted);
      I = J + 1;
      continue;
    }
    if ((C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z')) {
      if (SupportedLetters.find(C) == std::string_view::npos)
        throw EConvertError(Format("Invalid date pattern \"%s\"", APattern));
      std::size_t Count = 1;
      while (I + Count < APattern.size() && APattern[I + Count] == C) ++Count;
      Pieces.push_back({C, Count, {}});
      I += Count;
      continue;
    }
    AddLiteral(std::string_view(&APattern[I], 1));
    ++I;
  }
  return Pieces;
}

// The names a locale gives months, days and halves of the day, in UTF-8.
struct TLocaleNames {
  std::array<std::string, 12> Months, GenitiveMonths, ShortMonths;
  std::array<std::string, 7> Days, ShortDays;  // Sunday first
  std::string Am = "AM", Pm = "PM", Era = "AD", EraBefore = "BC";
};

std::string InfoOr(const std::wstring& AName, LCTYPE AType, const std::string& AFallback) {
  const auto Info = LocaleInfo(AName, AType);
  return Info && !Info->empty() ? Utf8OfWide(*Info) : AFallback;
}

// The month's name as it stands beside a day number ("декабря"): the system gives it only there.
std::string GenitiveMonthName(const std::wstring& AName, int AMonth, const std::string& AFallback) {
  SYSTEMTIME Time{};
  Time.wYear = 2000;
  Time.wMonth = static_cast<WORD>(AMonth);
  Time.wDay = 10;
  wchar_t Buffer[128] = {};
  if (::GetDateFormatEx(AName.c_str(), 0, &Time, L"dd MMMM", Buffer, 128, nullptr) <= 3) return AFallback;
  return Utf8OfWide(std::wstring_view(Buffer + 3));
}

TLocaleNames LoadNames(const std::wstring& AName) {
  TLocaleNames Names;
  for (int I = 0; I < 12; ++I) {
    Names.Months[I] = InfoOr(AName, LOCALE_SMONTHNAME1 + I, std::to_string(I + 1));
    Names.ShortMonths[I] = InfoOr(AName, LOCALE_SABBREVMONTHNAME1 + I, Names.Months[I]);
    Names.GenitiveMonths[I] = GenitiveMonthName(AName, I + 1, Names.Months[I]);
  }
  // The system counts days from Monday.
  for (int I = 0; I < 7; ++I) {
    Names.Days[(I + 1) % 7] = InfoOr(AName, LOCALE_SDAYNAME1 + I, std::to_string(I + 1));
    Names.ShortDays[(I + 1) % 7] = InfoOr(AName, LOCALE_SABBREVDAYNAME1 + I, Names.Days[(I + 1) % 7]);
  }
  Names.Am = InfoOr(AName, LOCALE_S1159, Names.Am);
  Names.Pm = InfoOr(AName, LOCALE_S2359, Names.Pm);
  return Names;
}

const TLocaleNames& ThreadNames(const std::string& ALocaleId) {
  thread_local std::map<std::string, TLocaleNames, std::less<>> Cache;
  auto Found = Cache.find(ALocaleId);
  if (Found == Cache.end()) {
    Found = Cache.emplace(ALocaleId, LoadNames(KnownOrInvariant(ALocaleId))).first;
  }
  return Found->second;
}

struct TClockFields {
  std::int64_t Year = 1970;
  int Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
  int DayOfWeek = 4;  // Sunday is 0; 1970-01-01 was a Thursday
  int DayOfYear = 1;
};

// About three hundred thousand years either way: far beyond any date the product keeps, and well
// inside what the day arithmetic holds.
constexpr double LargestClockTime = 1e16;

TClockFields FieldsOf(double AMilliseconds) {
  if (!(std::fabs(AMilliseconds) <= LargestClockTime))
    throw EConvertError(Format("%g is not a date of any calendar", AMilliseconds));
  const auto Total = static_cast<std::int64_t>(std::floor(AMilliseconds));
  const std::int64_t Days = (Total >= 0 ? Total : Total - (MillisecondsPerDay - 1)) / MillisecondsPerDay;
  const std::int64_t Rest = Total - Days * MillisecondsPerDay;
  const TCivilDate Date = CivilFromDays(Days);
  TClockFields Fields;
  Fields.Year = Date.Year;
  Fields.Month = Date.Month;
  Fields.Day = Date.Day;
  Fields.Hour = static_cast<int>(Rest / 3'600'000);
  Fields.Minute = static_cast<int>(Rest / 60'000 % 60);
  Fields.Second = static_cast<int>(Rest / 1000 % 60);
  Fields.Millisecond = static_cast<int>(Rest % 1000);
  Fields.DayOfWeek = static_cast<int>(((Days % 7) + 7 + 4) % 7);
  Fields.DayOfYear = static_cast<int>(Days - DaysFromCivil(Date.Year, 1, 1) + 1);
  return Fields;
}

std::string Padded(std::int64_t AValue, std::size_t AWidth) {
  std::string Digits = std::to_string(AValue < 0 ? -AValue : AValue);
  if (Digits.size() < AWidth) Digits.insert(0, AWidth - Digits.size(), '0');
  return AValue < 0 ? "-" + Digits : Digits;
}

std::string FirstCharacter(const std::string& AText, const std::string& ALocaleId) {
  std::size_t Pos = 0;
  if (!AText.empty()) NextCodePoint(AText, Pos);
  return UpperCase(AText.substr(0, Pos), ALocaleId);
}

std::string FormatName(const std::string& AFull, const std::string& AShort, std::size_t ACount,
                       const std::string& ALocaleId) {
  return ACount <= 3 ? AShort : ACount == 4 ? AFull : FirstCharacter(AFull, ALocaleId);
}

std::string FormatField(const TPatternPiece& APiece, const TClockFields& AFields, const std::string& ALocaleId) {
  const std::size_t N = APiece.Count;
  const int Hour12 = AFields.Hour % 12;
  switch (APiece.Letter) {
    case 'G': {
      const TLocaleNames& Names = ThreadNames(ALocaleId);
      return AFields.Year > 0 ? Names.Era : Names.EraBefore;
    }
    case 'y': {
      const std::int64_t Year = AFields.Year > 0 ? AFields.Year : 1 - AFields.Year;
      return N == 2 ? Padded(Year % 100, 2) : Padded(Year, N);
    }
    case 'u': return Padded(AFields.Year, N);
    case 'M':
    case 'L': {
      if (N <= 2) return Padded(AFields.Month, N);
      const TLocaleNames& Names = ThreadNames(ALocaleId);
      const auto& Full = (APiece.Letter == 'M' ? Names.GenitiveMonths : Names.Months)[AFields.Month - 1];
      return FormatName(Full, Names.ShortMonths[AFields.Month - 1], N, ALocaleId);
    }
    case 'd': return Padded(AFields.Day, N);
    case 'D': return Padded(AFields.DayOfYear, N);
    case 'E': {
      const TLocaleNames& Names = ThreadNames(ALocaleId);
      return FormatName(Names.Days[AFields.DayOfWeek], Names.ShortDays[AFields.DayOfWeek], N, ALocaleId);
    }
    case 'a': {
      const TLocaleNames& Names = ThreadNames(ALocaleId);
      return AFields.Hour < 12 ? Names.Am : Names.Pm;
    }
    case 'h': return Padded(Hour12 == 0 ? 12 : Hour12, N);
    case 'H': return Padded(AFields.Hour, N);
    case 'k': return Padded(AFields.Hour == 0 ? 24 : AFields.Hour, N);
    case 'K': return Padded(Hour12, N);
    case 'm': return Padded(AFields.Minute, N);
    case 's': return Padded(AFields.Second, N);
    case 'S': {
      std::string Fraction = Padded(AFields.Millisecond, 3);
      if (N < 3) return Fraction.substr(0, N);
      return Fraction + std::string(N - 3, '0');
    }
    default: return {};
  }
}

// Formatting splits the pattern once per thread and pattern.
const std::vector<TPatternPiece>& ThreadPattern(const std::string& APattern) {
  thread_local std::map<std::string, std::vector<TPatternPiece>, std::less<>> Cache;
  auto Found = Cache.find(APattern);
  if (Found == Cache.end()) Found = Cache.emplace(APattern, SplitPattern(APattern)).first;
  return Found->second;
}

// ---- reading ----

bool IsNumericField(const TPatternPiece& APiece) {
  if (APiece.Letter == 0 || APiece.Letter == 'G' || APiece.Letter == 'E' || APiece.Letter == 'a') return false;
  return !((APiece.Letter == 'M' || APiece.Letter == 'L') && APiece.Count >= 3);
}

struct TParsedFields {
  std::optional<std::int64_t> Year, ExtendedYear;
  bool TwoDigitYear = false, BeforeEra = false;
  std::optional<int> Month, Day, Hour24, Hour12, Minute, Second, Millisecond;
  std::optional<bool> Afternoon;
};

// How many bytes of the text its first AUnits UTF-16 code units stand for.
std::size_t BytesOfUnits(std::string_view AText, std::size_t AUnits) {
  std::size_t Pos = 0;
  while (AUnits > 0 && Pos < AText.size()) {
    const char32_t CodePoint = NextCodePoint(AText, Pos);
    AUnits -= CodePoint != InvalidCodePoint && CodePoint >= 0x10000 ? std::min<std::size_t>(2, AUnits) : 1;
  }
  return Pos;
}

// No name of a month, a day or an era is longer than this.
constexpr std::size_t LongestName = 64;

// The text from a field on, upper-cased once so that case is ignored in names, as in the locale's
// own reading of dates. The system maps each UTF-16 unit to one, so lengths stay those of the text.
std::u16string UpperUnits(std::string_view AText, const std::string& ALocaleId) {
  return Utf8ToUtf16(UpperCase(AText.substr(0, BytesOfUnits(AText, LongestName)), ALocaleId));
}

// The longest of the names that begins the upper-cased text: its index and its length in units.
template <std::size_t N>
std::optional<std::pair<int, std::size_t>> MatchNames(std::u16string_view AUpperText,
                                                      const std::array<std::string, N>& ANames,
                                                      const std::string& ALocaleId,
                                                      std::optional<std::pair<int, std::size_t>> ABest) {
  for (std::size_t I = 0; I < N; ++I) {
    if (ANames[I].empty()) continue;
    const std::u16string Wanted = Utf8ToUtf16(UpperCase(ANames[I], ALocaleId));
    if (AUpperText.substr(0, Wanted.size()) == Wanted && (!ABest || Wanted.size() > ABest->second))
      ABest = std::make_pair(static_cast<int>(I), Wanted.size());
  }
  return ABest;
}

std::int64_t CurrentYear() {
  SYSTEMTIME Now{};
  ::GetSystemTime(&Now);
  return Now.wYear;
}

// A two-digit year falls within the 80 years before now and the 20 after.
std::int64_t ExpandTwoDigitYear(std::int64_t AYear) {
  const std::int64_t First = CurrentYear() - 80;
  std::int64_t Year = First - First % 100 + AYear;
  if (Year < First) Year += 100;
  return Year;
}

bool ParseNumber(std::string_view AText, std::size_t& APos, std::size_t AMaxDigits, std::int64_t& AValue,
                 std::size_t& ADigits) {
  ADigits = 0;
  AValue = 0;
  while (APos < AText.size() && ADigits < AMaxDigits && AText[APos] >= '0' && AText[APos] <= '9') {
    AValue = AValue * 10 + (AText[APos++] - '0');
    ++ADigits;
  }
  return ADigits > 0;
}

bool ParseNamedField(const TPatternPiece& APiece, std::string_view AText, std::size_t& APos, TParsedFields& AFields,
                     const std::string& ALocaleId) {
  const TLocaleNames& Names = ThreadNames(ALocaleId);
  const std::string_view Rest = AText.substr(APos);
  const std::u16string Upper = UpperUnits(Rest, ALocaleId);
  std::optional<std::pair<int, std::size_t>> Found;
  switch (APiece.Letter) {
    case 'M':
    case 'L':
      Found = MatchNames(Upper, Names.GenitiveMonths, ALocaleId, Found);
      Found = MatchNames(Upper, Names.Months, ALocaleId, Found);
      Found = MatchNames(Upper, Names.ShortMonths, ALocaleId, Found);
      if (Found) AFields.Month = Found->first + 1;
      break;
    case 'E':
      Found = MatchNames(Upper, Names.Days, ALocaleId, Found);
      Found = MatchNames(Upper, Names.ShortDays, ALocaleId, Found);
      break;
    case 'a':
      Found = MatchNames(Upper, std::array<std::string, 2>{Names.Am, Names.Pm}, ALocaleId, Found);
      if (Found) AFields.Afternoon = Found->first == 1;
      break;
    case 'G':
      Found = MatchNames(Upper, std::array<std::string, 2>{Names.Era, Names.EraBefore}, ALocaleId, Found);
      if (Found) AFields.BeforeEra = Found->first == 1;
      break;
    default: return false;
  }
  if (!Found) return false;
  APos += BytesOfUnits(Rest, Found->second);
  return true;
}

bool ParseNumericField(const TPatternPiece& APiece, bool AAbutting, std::string_view AText, std::size_t& APos,
                       TParsedFields& AFields) {
  std::int64_t Value = 0;
  std::size_t Digits = 0;
  // A field followed directly by another number takes exactly its own width.
  const std::size_t MaxDigits = AAbutting ? APiece.Count : 10;
  if (!ParseNumber(AText, APos, MaxDigits, Value, Digits)) return false;
  if (AAbutting && Digits != APiece.Count) return false;
  const auto Small = [&](int AMin, int AMax, std::optional<int>& ATarget) {
    if (Value < AMin || Value > AMax) return false;
    ATarget = static_cast<int>(Value);
    return true;
  };
  switch (APiece.Letter) {
    case 'y':
      // Exactly two digits where the pattern allows them are a year of the current century's window.
      AFields.Year = Value;
      AFields.TwoDigitYear = APiece.Count <= 2 && Digits == 2;
      return Value >= 1 || AFields.TwoDigitYear;
    case 'u': AFields.ExtendedYear = Value; return true;
    case 'M': case 'L': return Small(1, 12, AFields.Month);
    case 'd': return Small(1, 31, AFields.Day);
    case 'H': return Small(0, 23, AFields.Hour24);
    case 'k': return Small(1, 24, AFields.Hour24) && ((*AFields.Hour24 %= 24), true);
    case 'h': return Small(1, 12, AFields.Hour12) && ((*AFields.Hour12 %= 12), true);
    case 'K': return Small(0, 11, AFields.Hour12);
    case 'm': return Small(0, 59, AFields.Minute);
    case 's': return Small(0, 59, AFields.Second);
    case 'S': {
      while (Digits < 3) Value *= 10, ++Digits;
      while (Digits > 3) Value /= 10, --Digits;
      AFields.Millisecond = static_cast<int>(Value);
      return true;
    }
    default: return true;  // the day of the year says nothing the date does not
  }
}

std::optional<double> ComposeClockTime(const TParsedFields& AFields) {
  std::int64_t Year = 1970;
  if (AFields.ExtendedYear) Year = *AFields.ExtendedYear;
  if (AFields.Year) {
    Year = AFields.TwoDigitYear ? ExpandTwoDigitYear(*AFields.Year) : *AFields.Year;
    if (AFields.BeforeEra) Year = 1 - Year;
  }
  const int Month = AFields.Month.value_or(1), Day = AFields.Day.value_or(1);
  if (Day > DaysInMonth(Year, Month)) return std::nullopt;
  int Hour = AFields.Hour24.value_or(0);
  if (AFields.Hour12) Hour = *AFields.Hour12 + (AFields.Afternoon.value_or(false) ? 12 : 0);
  else if (AFields.Afternoon && *AFields.Afternoon && Hour < 12) Hour += 12;
  const std::int64_t Seconds = (Hour * 60 + AFields.Minute.value_or(0)) * 60 + AFields.Second.value_or(0);
  const std::int64_t Milliseconds =
      DaysFromCivil(Year, Month, Day) * MillisecondsPerDay + Seconds * 1000 + AFields.Millisecond.value_or(0);
  return static_cast<double>(Milliseconds);
}

}  // namespace

std::string FormatClockTime(double AMilliseconds, const std::string& APattern, const std::string& ALocaleId) {
  const TClockFields Fields = FieldsOf(AMilliseconds);
  std::string Result;
  for (const TPatternPiece& Piece : ThreadPattern(APattern))
    Result += Piece.Letter == 0 ? Piece.Literal : FormatField(Piece, Fields, ALocaleId);
  return Result;
}

bool ParseClockTime(std::string_view AText, const std::string& APattern, const std::string& ALocaleId,
                    double& AMilliseconds) {
  const std::vector<TPatternPiece>& Pieces = ThreadPattern(APattern);
  TParsedFields Fields;
  std::size_t Pos = 0;
  for (std::size_t I = 0; I < Pieces.size(); ++I) {
    const TPatternPiece& Piece = Pieces[I];
    if (Piece.Letter == 0) {
      if (AText.substr(Pos, Piece.Literal.size()) != Piece.Literal) return false;
      Pos += Piece.Literal.size();
      continue;
    }
    // Spaces before a field are passed over, as the locale's own reading does.
    while (Pos < AText.size() && (AText[Pos] == ' ' || AText[Pos] == '\t')) ++Pos;
    const bool Abutting = I + 1 < Pieces.size() && IsNumericField(Pieces[I + 1]);
    const bool Parsed = IsNumericField(Piece) ? ParseNumericField(Piece, Abutting, AText, Pos, Fields)
                                              : ParseNamedField(Piece, AText, Pos, Fields, ALocaleId);
    if (!Parsed) return false;
  }
  if (Pos != AText.size()) return false;
  const std::optional<double> Result = ComposeClockTime(Fields);
  if (!Result) return false;
  AMilliseconds = *Result;
  return true;
}

}  // namespace Quellit::Text
