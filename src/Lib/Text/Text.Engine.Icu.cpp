// The text engine's backend over ICU: the only file of the system that includes ICU.
// Collators and date formatters are built lazily, one set per thread, since neither is safe to share.
#include <unicode/coll.h>
#include <unicode/dcfmtsym.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/tblcoll.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>

#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Format.h"
#include "Lib/Text/Text.Engine.h"

namespace Quellit::Text {
namespace {

icu::UnicodeString ToUnicode(std::string_view S) {
  return icu::UnicodeString::fromUTF8(icu::StringPiece(S.data(), static_cast<std::int32_t>(S.size())));
}

std::string ToUtf8(const icu::UnicodeString& S) {
  std::string Result;
  S.toUTF8String(Result);
  return Result;
}

// Case mapping asks for the locale once per character in places; parsing its id each time would
// cost more than the mapping.
const icu::Locale& ThreadLocale(const std::string& ALocaleId) {
  thread_local std::optional<std::pair<std::string, icu::Locale>> Last;
  if (!Last || Last->first != ALocaleId) Last.emplace(ALocaleId, icu::Locale(ALocaleId.c_str()));
  return Last->second;
}

}  // namespace

// ---- case --------------------------------------------------------------------------------------

char32_t SimpleUpperCase(char32_t ACodePoint) {
  return static_cast<char32_t>(u_toupper(static_cast<UChar32>(ACodePoint)));
}

std::string UpperCase(std::string_view AText, const std::string& ALocaleId) {
  return ToUtf8(ToUnicode(AText).toUpper(ThreadLocale(ALocaleId)));
}

std::string LowerCase(std::string_view AText, const std::string& ALocaleId) {
  return ToUtf8(ToUnicode(AText).toLower(ThreadLocale(ALocaleId)));
}

// ---- collation ---------------------------------------------------------------------------------
namespace {

// The POSIX locale's collation is the code-point order of ASCII, which a program run under "C"
// expects; it is left as it is.
constexpr const char* PosixLocaleId = "en_US_POSIX";

// The word sort of the product's platform, on top of the locale's own rules: hyphen and apostrophe
// weigh nothing at the first level and come after the plain letters at the second, and "ё" is a
// letter of its own right after "е" rather than an accented "е".
constexpr const char16_t* WordSortTailoring = u"&[last primary ignorable]<<'-'<<''&е<ё<<<Ё";

std::unique_ptr<icu::Collator> CreateLocaleCollator(const std::string& ALocaleId) {
  UErrorCode Status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> Base(icu::Collator::createInstance(icu::Locale(ALocaleId.c_str()), Status));
  if (U_FAILURE(Status) || !Base) throw EConvertError(Format("No collation for locale \"%s\"", ALocaleId));
  if (ALocaleId == PosixLocaleId) return Base;
  const auto* RuleBased = dynamic_cast<const icu::RuleBasedCollator*>(Base.get());
  if (!RuleBased) return Base;
  UParseError Where{};
  icu::UnicodeString Reason;
  std::unique_ptr<icu::Collator> Result = std::make_unique<icu::RuleBasedCollator>(
      RuleBased->getRules() + icu::UnicodeString(WordSortTailoring), Where, Reason, Status);
  // A locale whose own rules do not take the tailoring keeps them as they are.
  if (U_FAILURE(Status)) {
    Result = std::move(Base);
    Status = U_ZERO_ERROR;
  }
  // Latin first, whatever the locale's own order of scripts (the Russian one puts Cyrillic first).
  const std::int32_t Scripts[] = {USCRIPT_LATIN, USCRIPT_CYRILLIC};
  Result->setReorderCodes(Scripts, 2, Status);
  if (U_FAILURE(Status)) throw EConvertError(Format("No collation for locale \"%s\"", ALocaleId));
  return Result;
}

// Collators are costly to create and not safe for concurrent use: each thread keeps its own,
// one per locale and strength.
icu::Collator& ThreadCollator(const std::string& ALocaleId, TCaseSensitivity ACase) {
  thread_local std::map<std::string, std::unique_ptr<icu::Collator>, std::less<>> Cache[2];
  const bool IgnoreCase = ACase == TCaseSensitivity::IgnoreCase;
  auto& Slot = Cache[IgnoreCase ? 1 : 0][ALocaleId];
  if (!Slot) {
    Slot = CreateLocaleCollator(ALocaleId);
    // Secondary strength tells accents (and hyphens) apart but not letter case.
    Slot->setStrength(IgnoreCase ? icu::Collator::SECONDARY : icu::Collator::TERTIARY);
  }
  return *Slot;
}

int CollateExact(std::string_view A, std::string_view B, const std::string& ALocaleId, TCaseSensitivity ACase) {
  UErrorCode Status = U_ZERO_ERROR;
  const UCollationResult Result = ThreadCollator(ALocaleId, ACase)
                                      .compareUTF8(icu::StringPiece(A.data(), static_cast<std::int32_t>(A.size())),
                                                   icu::StringPiece(B.data(), static_cast<std::int32_t>(B.size())),
                                                   Status);
  if (U_FAILURE(Status)) {
    const int Order = A.compare(B);
    return (Order > 0) - (Order < 0);
  }
  return static_cast<int>(Result);
}

}  // namespace

int Collate(std::string_view A, std::string_view B, const std::string& ALocaleId, TCaseSensitivity ACase) {
  if (ACase == TCaseSensitivity::CaseSensitive) return CollateExact(A, B, ALocaleId, ACase);
  // Some tailorings (the POSIX locale's among them) order the two cases as different letters, so
  // secondary strength alone does not ignore case there; and the full mappings make "ß" and "SS"
  // one text, as the linguistic equality has them. Upper-case both first, independent of the locale.
  const icu::Locale& Root = icu::Locale::getRoot();
  return CollateExact(ToUtf8(ToUnicode(A).toUpper(Root)), ToUtf8(ToUnicode(B).toUpper(Root)), ALocaleId, ACase);
}

// ---- locale forms ------------------------------------------------------------------------------

bool LocaleNumberSymbols(const std::string& ALocaleId, TNumberSymbols& ASymbols) {
  UErrorCode Status = U_ZERO_ERROR;
  icu::DecimalFormatSymbols Symbols(icu::Locale(ALocaleId.c_str()), Status);
  if (U_FAILURE(Status)) return false;
  ASymbols.DecimalSeparator = ToUtf8(Symbols.getSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol));
  ASymbols.ThousandSeparator = ToUtf8(Symbols.getSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol));
  return true;
}

namespace {

std::string PatternOf(icu::DateFormat* AFormat) {
  icu::UnicodeString Pattern;
  if (auto* Simple = dynamic_cast<icu::SimpleDateFormat*>(AFormat)) Simple->toPattern(Pattern);
  return ToUtf8(Pattern);
}

// Formatters are costly to build; each thread keeps one per locale and pattern.
icu::SimpleDateFormat& ThreadDateFormat(const std::string& APattern, const std::string& ALocaleId) {
  thread_local std::map<std::string, std::unique_ptr<icu::SimpleDateFormat>> Cache;
  auto& Slot = Cache[ALocaleId + "|" + APattern];
  if (!Slot) {
    UErrorCode Status = U_ZERO_ERROR;
    auto Format = std::make_unique<icu::SimpleDateFormat>(ToUnicode(APattern), icu::Locale(ALocaleId.c_str()), Status);
    if (U_FAILURE(Status)) throw EConvertError(Quellit::Format("Invalid date pattern \"%s\"", APattern));
    // Clock time without a zone: ICU sees it as UTC and formats it in UTC.
    Format->adoptTimeZone(icu::TimeZone::createTimeZone("Etc/UTC"));
    Format->setLenient(false);
    // Proleptic Gregorian, as the callers count days.
    if (auto* Gregorian = dynamic_cast<icu::GregorianCalendar*>(const_cast<icu::Calendar*>(Format->getCalendar())))
      Gregorian->setGregorianChange(-1e300, Status);
    Slot = std::move(Format);
  }
  return *Slot;
}

}  // namespace

std::string LocaleShortDatePattern(const std::string& ALocaleId) {
  std::unique_ptr<icu::DateFormat> Format(
      icu::DateFormat::createDateInstance(icu::DateFormat::kShort, icu::Locale(ALocaleId.c_str())));
  return Format ? PatternOf(Format.get()) : std::string();
}

std::string LocaleTimePattern(const std::string& ALocaleId) {
  std::unique_ptr<icu::DateFormat> Format(
      icu::DateFormat::createTimeInstance(icu::DateFormat::kMedium, icu::Locale(ALocaleId.c_str())));
  return Format ? PatternOf(Format.get()) : std::string();
}

std::string FormatClockTime(double AMilliseconds, const std::string& APattern, const std::string& ALocaleId) {
  icu::UnicodeString Result;
  ThreadDateFormat(APattern, ALocaleId).format(static_cast<UDate>(AMilliseconds), Result);
  return ToUtf8(Result);
}

bool ParseClockTime(std::string_view AText, const std::string& APattern, const std::string& ALocaleId,
                    double& AMilliseconds) {
  const icu::UnicodeString Source = ToUnicode(AText);
  icu::ParsePosition Position(0);
  const UDate Parsed = ThreadDateFormat(APattern, ALocaleId).parse(Source, Position);
  if (Position.getErrorIndex() >= 0 || Position.getIndex() != Source.length()) return false;
  AMilliseconds = Parsed;
  return true;
}

}  // namespace Quellit::Text
