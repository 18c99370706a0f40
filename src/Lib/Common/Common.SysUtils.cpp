#include "Lib/Common/Common.SysUtils.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <memory>
#include <mutex>
#include <optional>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Format.h"
#include "Lib/Text/Text.Engine.h"
#include "Platform/Locale.h"
#include "Platform/Time.h"

namespace Quellit {

// ---- locale ----------------------------------------------------------------------------------
namespace {

// The POSIX locale maps to ICU's en_US_POSIX: its collation is the code-point order of ASCII,
// which is what a program run under "C" expects.
constexpr const char* PosixLocaleId = "en_US_POSIX";

std::string ToIcuLocaleId(const std::string& APosixName) {
  std::string Id = APosixName.substr(0, APosixName.find_first_of(".@"));
  if (Id.empty() || Id == "C" || Id == "POSIX") return PosixLocaleId;
  return Id;
}

// A user who chose no locale gets the POSIX one, as a program started under "C" would.
std::string UserLocaleId(Platform::TLocaleCategory ACategory) {
  return ToIcuLocaleId(Platform::UserLocaleName(ACategory));
}

// The locale of each category, resolved once and again after every change. Readers keep a copy
// per thread and refresh it when the generation moves, so comparisons take no lock.
struct TLocaleIds {
  std::string Ctype;
  std::string Collate;
  std::string Time;
  std::string Numeric;
};

std::mutex LocaleLock;
std::optional<TLocaleIds> SharedLocaleIds;  // guarded by LocaleLock; empty until first use
std::atomic<unsigned> LocaleGeneration{1};

TLocaleIds ResolveLocaleIds(const std::optional<std::string>& AOverride) {
  if (AOverride) return {*AOverride, *AOverride, *AOverride, *AOverride};
  using Platform::TLocaleCategory;
  return {UserLocaleId(TLocaleCategory::Ctype), UserLocaleId(TLocaleCategory::Collate),
          UserLocaleId(TLocaleCategory::Time), UserLocaleId(TLocaleCategory::Numeric)};
}

const TLocaleIds& LocaleIds() {
  thread_local TLocaleIds Cached;
  thread_local unsigned CachedGeneration = 0;
  const unsigned Generation = LocaleGeneration.load(std::memory_order_acquire);
  if (CachedGeneration != Generation) {
    std::lock_guard Guard(LocaleLock);
    if (!SharedLocaleIds) SharedLocaleIds = ResolveLocaleIds(std::nullopt);
    Cached = *SharedLocaleIds;
    CachedGeneration = Generation;
  }
  return Cached;
}

void RebuildFormatSettings();

void ChangeLocale(const std::optional<std::string>& AOverride) {
  {
    std::lock_guard Guard(LocaleLock);
    SharedLocaleIds = ResolveLocaleIds(AOverride);
    LocaleGeneration.fetch_add(1, std::memory_order_acq_rel);
  }
  RebuildFormatSettings();
}

const std::string& CollationLocale() { return LocaleIds().Collate; }
const std::string& TimeLocale() { return LocaleIds().Time; }
const std::string& NumericLocale() { return LocaleIds().Numeric; }

}  // namespace

std::string UserLocale() { return LocaleIds().Ctype; }
void SetUserLocale(const std::string& ALocaleId) { ChangeLocale(ToIcuLocaleId(ALocaleId)); }
void ResetUserLocale() { ChangeLocale(std::nullopt); }

// ---- UTF-8 / UTF-16 --------------------------------------------------------------------------
bool IsValidUtf8(std::string_view S) { return Text::IsValidUtf8(S); }
std::size_t Utf8Length(std::string_view S) { return Text::Utf8Length(S); }
std::u16string Utf8ToUtf16(std::string_view AText) { return Text::Utf8ToUtf16(AText); }
std::string Utf16ToUtf8(std::u16string_view AText) { return Text::Utf16ToUtf8(AText); }

// ---- code pages ------------------------------------------------------------------------------

// One Windows-1251 codec for the whole system, the text engine's, which keeps the unassigned byte
// 0x98 (as U+0098), so 8-bit text read from a file and written back is unchanged to the byte.
std::string Win1251ToUtf8(std::string_view ABytes) { return Text::DecodeCodePage(ABytes, Text::TCodePage::Windows1251); }
std::string Utf8ToWin1251(std::string_view AText) { return Text::EncodeCodePage(AText, Text::TCodePage::Windows1251); }

std::string AnsiToOem(std::string_view AAnsi) {
  return Text::EncodeCodePage(Win1251ToUtf8(AAnsi), Text::TCodePage::Oem866);
}

std::string OemToAnsi(std::string_view AOem) {
  return Utf8ToWin1251(Text::DecodeCodePage(AOem, Text::TCodePage::Oem866));
}

std::string TWin1251Encoding::Decode(std::string_view ABytes) const { return Win1251ToUtf8(ABytes); }
std::string TWin1251Encoding::Encode(std::string_view AText) const { return Utf8ToWin1251(AText); }

namespace {

std::atomic<TWin1251Encoding*> SharedWin1251{nullptr};

// Frees the shared codec when the program ends.
struct TWin1251Releaser {
  ~TWin1251Releaser() { delete SharedWin1251.exchange(nullptr); }
} Win1251Releaser;

}  // namespace

const TWin1251Encoding& Win1251Encoding() {
  if (TWin1251Encoding* Existing = SharedWin1251.load(std::memory_order_acquire)) return *Existing;
  auto Created = std::make_unique<TWin1251Encoding>();
  TWin1251Encoding* Expected = nullptr;
  // A thread that loses the race discards its own codec and uses the published one.
  if (SharedWin1251.compare_exchange_strong(Expected, Created.get(), std::memory_order_acq_rel))
    return *Created.release();
  return *Expected;
}

// ---- comparison and case ---------------------------------------------------------------------
namespace {

unsigned char AsciiUpper(unsigned char C) { return C >= 'a' && C <= 'z' ? static_cast<unsigned char>(C - 32) : C; }
unsigned char AsciiLower(unsigned char C) { return C >= 'A' && C <= 'Z' ? static_cast<unsigned char>(C + 32) : C; }

int Sign(int AValue) { return (AValue > 0) - (AValue < 0); }

}  // namespace

int CompareStr(std::string_view A, std::string_view B) { return Sign(A.compare(B)); }

int CompareText(std::string_view A, std::string_view B) {
  const std::size_t Common = std::min(A.size(), B.size());
  for (std::size_t I = 0; I < Common; ++I) {
    const int D = AsciiUpper(static_cast<unsigned char>(A[I])) - AsciiUpper(static_cast<unsigned char>(B[I]));
    if (D != 0) return Sign(D);
  }
  return Sign(static_cast<int>(A.size() > B.size()) - static_cast<int>(A.size() < B.size()));
}

bool SameStr(std::string_view A, std::string_view B) { return A == B; }
bool SameText(std::string_view A, std::string_view B) { return A.size() == B.size() && CompareText(A, B) == 0; }

std::string UpperCase(std::string_view S) {
  std::string Result(S);
  for (char& C : Result) C = static_cast<char>(AsciiUpper(static_cast<unsigned char>(C)));
  return Result;
}

std::string LowerCase(std::string_view S) {
  std::string Result(S);
  for (char& C : Result) C = static_cast<char>(AsciiLower(static_cast<unsigned char>(C)));
  return Result;
}

// The linguistic folding of the text engine: the collation of the user's locale, and full case
// mappings under its language. Equality is the comparison's zero, so "straße" and "STRASSE" are
// the same text both for AnsiSameText and for AnsiCompareText.
int AnsiCompareStr(std::string_view A, std::string_view B) {
  return Text::Collate(A, B, CollationLocale(), Text::TCaseSensitivity::CaseSensitive);
}
int AnsiCompareText(std::string_view A, std::string_view B) {
  return Text::Collate(A, B, CollationLocale(), Text::TCaseSensitivity::IgnoreCase);
}
bool AnsiSameStr(std::string_view A, std::string_view B) { return A == B || AnsiCompareStr(A, B) == 0; }
bool AnsiSameText(std::string_view A, std::string_view B) { return A == B || AnsiCompareText(A, B) == 0; }

std::string AnsiUpperCase(std::string_view S) { return Text::UpperCase(S, UserLocale()); }
std::string AnsiLowerCase(std::string_view S) { return Text::LowerCase(S, UserLocale()); }

std::string AnsiUpperCase(std::string_view S, std::vector<std::size_t>& AOrigins) {
  const std::string Locale = UserLocale();
  const std::string_view Language = std::string_view(Locale).substr(0, Locale.find_first_of("_-"));  // "tr_TR", "tr-TR"
  // Turkic languages upper-case the ASCII "i" to a dotted capital, so no shortcut there.
  const bool AsciiShortcut = Language != "tr" && Language != "az";
  std::string Result;
  Result.reserve(S.size());
  AOrigins.clear();
  AOrigins.reserve(S.size() + 1);
  for (std::size_t Pos = 0; Pos < S.size();) {
    const std::size_t Start = Pos;
    Text::NextCodePoint(S, Pos);
    const std::string_view Piece = S.substr(Start, Pos - Start);
    const std::size_t Before = Result.size();
    if (AsciiShortcut && Piece.size() == 1 && static_cast<unsigned char>(Piece[0]) < 0x80)
      Result += static_cast<char>(AsciiUpper(static_cast<unsigned char>(Piece[0])));
    else
      Result += Text::UpperCase(Piece, Locale);
    AOrigins.insert(AOrigins.end(), Result.size() - Before, Start);
  }
  AOrigins.push_back(S.size());
  return Result;
}

// ---- small conversions -----------------------------------------------------------------------
namespace {
bool IsBlankByte(char C) { return static_cast<unsigned char>(C) <= ' '; }
}  // namespace

std::string TrimLeft(std::string_view S) {
  std::size_t First = 0;
  while (First < S.size() && IsBlankByte(S[First])) ++First;
  return std::string(S.substr(First));
}

std::string TrimRight(std::string_view S) {
  std::size_t Last = S.size();
  while (Last > 0 && IsBlankByte(S[Last - 1])) --Last;
  return std::string(S.substr(0, Last));
}

std::string Trim(std::string_view S) { return TrimRight(TrimLeft(S)); }

std::string IntToStr(std::int64_t AValue) { return std::to_string(AValue); }

std::string FloatToStr(double AValue) {
  if (std::isnan(AValue)) return "NAN";
  if (std::isinf(AValue)) return AValue > 0 ? "INF" : "-INF";
  char Buffer[64];
  auto [End, Error] = std::to_chars(Buffer, Buffer + sizeof Buffer, AValue, std::chars_format::general, 15);
  std::string Text(Buffer, End);
  // "1e+20" is written "1E20", "1e-05" "1E-5".
  if (std::size_t E = Text.find('e'); E != std::string::npos) {
    std::string Exponent = Text.substr(E + 1);
    const bool NegativeExponent = Exponent.front() == '-';
    Exponent.erase(0, Exponent.find_first_not_of("+-0"));
    Text = Text.substr(0, E) + "E" + (NegativeExponent ? "-" : "") + Exponent;
  }
  if (std::size_t Dot = Text.find('.'); Dot != std::string::npos)
    Text.replace(Dot, 1, FormatSettings().DecimalSeparator);
  return Text;
}

bool TryStrToFloat(std::string_view S, double& AValue) {
  std::string Text = Trim(S);
  const std::string& Separator = FormatSettings().DecimalSeparator;
  if (Separator != "." && Text.find('.') != std::string::npos) return false;
  if (std::size_t Pos = Text.find(Separator); !Separator.empty() && Pos != std::string::npos)
    Text.replace(Pos, Separator.size(), ".");
  if (Text.empty() || Text.find_first_of("iInN") != std::string::npos) return false;
  const char* First = Text.data() + (Text.front() == '+' ? 1 : 0);
  double Value = 0;
  auto [End, Error] = std::from_chars(First, Text.data() + Text.size(), Value);
  if (Error != std::errc() || End != Text.data() + Text.size()) return false;
  AValue = Value;
  return true;
}

// ---- date and time ---------------------------------------------------------------------------
namespace {

constexpr std::int64_t MSecsPerDay = 86400000;
constexpr std::int64_t UnixEpochDay = 25569;  // 1970-01-01 as a day number

bool IsLeapYear(int AYear) { return AYear % 4 == 0 && (AYear % 100 != 0 || AYear % 400 == 0); }

int DaysInMonth(int AYear, int AMonth) {
  static constexpr int Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return AMonth == 2 && IsLeapYear(AYear) ? 29 : Days[AMonth - 1];
}

// Days from 1970-01-01 in the proleptic Gregorian calendar (H. Hinnant's civil-date algorithm).
std::int64_t DaysFromCivil(std::int64_t Y, unsigned M, unsigned D) {
  Y -= M <= 2;
  const std::int64_t Era = (Y >= 0 ? Y : Y - 399) / 400;
  const auto YearOfEra = static_cast<unsigned>(Y - Era * 400);
  const unsigned DayOfYear = (153 * (M > 2 ? M - 3 : M + 9) + 2) / 5 + D - 1;
  const unsigned DayOfEra = YearOfEra * 365 + YearOfEra / 4 - YearOfEra / 100 + DayOfYear;
  return Era * 146097 + static_cast<std::int64_t>(DayOfEra) - 719468;
}

void CivilFromDays(std::int64_t ADays, int& AYear, int& AMonth, int& ADay) {
  const std::int64_t Z = ADays + 719468;
  const std::int64_t Era = (Z >= 0 ? Z : Z - 146096) / 146097;
  const auto DayOfEra = static_cast<unsigned>(Z - Era * 146097);
  const unsigned YearOfEra = (DayOfEra - DayOfEra / 1460 + DayOfEra / 36524 - DayOfEra / 146096) / 365;
  const unsigned DayOfYear = DayOfEra - (365 * YearOfEra + YearOfEra / 4 - YearOfEra / 100);
  const unsigned MP = (5 * DayOfYear + 2) / 153;
  ADay = static_cast<int>(DayOfYear - (153 * MP + 2) / 5 + 1);
  AMonth = static_cast<int>(MP < 10 ? MP + 3 : MP - 9);
  AYear = static_cast<int>(static_cast<std::int64_t>(YearOfEra) + Era * 400 + (AMonth <= 2));
}

// A date-time as a day number and the milliseconds of that day. Before the epoch day the
// fraction still counts forward from midnight (-1.25 is 1899-12-29 06:00).
struct TDayAndTime {
  std::int64_t Day;
  std::int64_t Msec;
};

TDayAndTime SplitDateTime(TDateTime AValue) {
  // Far beyond any calendar date (and NaN) the millisecond count would not fit 64 bits.
  if (!(std::fabs(AValue) < 1e9)) throw EConvertError(Format("Invalid date/time value: %s", std::to_string(AValue)));
  const auto Total = static_cast<std::int64_t>(std::llround(AValue * static_cast<double>(MSecsPerDay)));
  return {Total / MSecsPerDay, (Total < 0 ? -Total : Total) % MSecsPerDay};
}

TDateTime ComposeDateTime(std::int64_t ADay, std::int64_t AMsec) {
  const double Fraction = static_cast<double>(AMsec) / static_cast<double>(MSecsPerDay);
  return ADay < 0 ? static_cast<double>(ADay) - Fraction : static_cast<double>(ADay) + Fraction;
}

}  // namespace

bool TryEncodeDate(int AYear, int AMonth, int ADay, TDateTime& AResult) {
  if (AYear < 1 || AYear > 9999 || AMonth < 1 || AMonth > 12 || ADay < 1 || ADay > DaysInMonth(AYear, AMonth))
    return false;
  AResult = static_cast<double>(DaysFromCivil(AYear, static_cast<unsigned>(AMonth), static_cast<unsigned>(ADay)) +
                                UnixEpochDay);
  return true;
}

TDateTime EncodeDate(int AYear, int AMonth, int ADay) {
  TDateTime Result = 0;
  if (!TryEncodeDate(AYear, AMonth, ADay, Result)) throw EConvertError("Invalid argument to date encode");
  return Result;
}

bool TryEncodeTime(int AHour, int AMinute, int ASecond, int AMillisecond, TDateTime& AResult) {
  if (AHour < 0 || AHour > 23 || AMinute < 0 || AMinute > 59 || ASecond < 0 || ASecond > 59 || AMillisecond < 0 ||
      AMillisecond > 999)
    return false;
  const std::int64_t Msec = ((AHour * 60LL + AMinute) * 60 + ASecond) * 1000 + AMillisecond;
  AResult = static_cast<double>(Msec) / static_cast<double>(MSecsPerDay);
  return true;
}

TDateTime EncodeTime(int AHour, int AMinute, int ASecond, int AMillisecond) {
  TDateTime Result = 0;
  if (!TryEncodeTime(AHour, AMinute, ASecond, AMillisecond, Result))
    throw EConvertError("Invalid argument to time encode");
  return Result;
}

TDateTime EncodeDateTime(int AYear, int AMonth, int ADay, int AHour, int AMinute, int ASecond, int AMillisecond) {
  const auto Day = static_cast<std::int64_t>(EncodeDate(AYear, AMonth, ADay));
  const auto Msec = SplitDateTime(EncodeTime(AHour, AMinute, ASecond, AMillisecond)).Msec;
  return ComposeDateTime(Day, Msec);
}

void DecodeDate(TDateTime AValue, int& AYear, int& AMonth, int& ADay) {
  CivilFromDays(SplitDateTime(AValue).Day - UnixEpochDay, AYear, AMonth, ADay);
}

void DecodeTime(TDateTime AValue, int& AHour, int& AMinute, int& ASecond, int& AMillisecond) {
  const std::int64_t Msec = SplitDateTime(AValue).Msec;
  AHour = static_cast<int>(Msec / 3600000);
  AMinute = static_cast<int>(Msec / 60000 % 60);
  ASecond = static_cast<int>(Msec / 1000 % 60);
  AMillisecond = static_cast<int>(Msec % 1000);
}

namespace {
TDateTime LocalTimeToDateTime(const Platform::TLocalTime& ATime) {
  return EncodeDateTime(ATime.Year, ATime.Month, ATime.Day, ATime.Hour, ATime.Minute, ATime.Second,
                        ATime.Millisecond);
}
}  // namespace

TDateTime Now() { return LocalTimeToDateTime(Platform::LocalNow()); }

TDateTime UnixTimeToLocalDateTime(std::int64_t ASeconds) {
  return LocalTimeToDateTime(Platform::UnixSecondsToLocalTime(ASeconds));
}

// ---- format settings -------------------------------------------------------------------------
namespace {

TFormatSettings BuildFormatSettings() {
  TFormatSettings Result{".", ",", "dd.MM.y", "HH:mm:ss"};
  if (Text::TNumberSymbols Symbols; Text::LocaleNumberSymbols(NumericLocale(), Symbols)) {
    Result.DecimalSeparator = Symbols.DecimalSeparator;
    Result.ThousandSeparator = Symbols.ThousandSeparator;
  }
  if (std::string Date = Text::LocaleShortDatePattern(TimeLocale()); !Date.empty()) Result.ShortDateFormat = Date;
  if (std::string Clock = Text::LocaleTimePattern(TimeLocale()); !Clock.empty()) Result.LongTimeFormat = Clock;
  return Result;
}

std::once_flag FormatSettingsBuilt;
TFormatSettings SharedFormatSettings;

void RebuildFormatSettings() {
  std::call_once(FormatSettingsBuilt, [] {});
  SharedFormatSettings = BuildFormatSettings();
}

}  // namespace

const TFormatSettings& FormatSettings() {
  std::call_once(FormatSettingsBuilt, [] { SharedFormatSettings = BuildFormatSettings(); });
  return SharedFormatSettings;
}

// ---- date and time text ----------------------------------------------------------------------
namespace {

// TDateTime is clock time without a zone; the engine counts it in milliseconds from the epoch.
double ToMilliseconds(TDateTime AValue) {
  const TDayAndTime Parts = SplitDateTime(AValue);
  return static_cast<double>((Parts.Day - UnixEpochDay) * MSecsPerDay + Parts.Msec);
}

TDateTime FromMilliseconds(double AValue) {
  const auto Msec = static_cast<std::int64_t>(std::llround(AValue));
  const std::int64_t Day = (Msec >= 0 ? Msec : Msec - (MSecsPerDay - 1)) / MSecsPerDay;
  return ComposeDateTime(Day + UnixEpochDay, Msec - Day * MSecsPerDay);
}

std::string FormatDateTime(const std::string& APattern, TDateTime AValue) {
  return Text::FormatClockTime(ToMilliseconds(AValue), APattern, TimeLocale());
}

bool ParseWhole(const std::string& APattern, std::string_view S, TDateTime& AValue) {
  double Milliseconds = 0;
  if (!Text::ParseClockTime(S, APattern, TimeLocale(), Milliseconds)) return false;
  AValue = FromMilliseconds(Milliseconds);
  return true;
}

}  // namespace

std::string DateToStr(TDateTime AValue) { return FormatDateTime(FormatSettings().ShortDateFormat, AValue); }
std::string TimeToStr(TDateTime AValue) { return FormatDateTime(FormatSettings().LongTimeFormat, AValue); }

std::string DateTimeToStr(TDateTime AValue) {
  if (SplitDateTime(AValue).Msec == 0) return DateToStr(AValue);
  return DateToStr(AValue) + " " + TimeToStr(AValue);
}

bool TryStrToDateTime(std::string_view S, TDateTime& AValue) {
  const TFormatSettings& Settings = FormatSettings();
  const std::string Text = Trim(S);
  return ParseWhole(Settings.ShortDateFormat + " " + Settings.LongTimeFormat, Text, AValue) ||
         ParseWhole(Settings.ShortDateFormat, Text, AValue);
}

}  // namespace Quellit
