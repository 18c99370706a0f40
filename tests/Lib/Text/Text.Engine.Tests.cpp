#include "Lib/Text/Text.Engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Lib/Common/Common.Exception.h"
#include "Support/RussianLocale.h"

namespace Quellit::Text {
namespace {

int Sign(int AValue) { return (AValue > 0) - (AValue < 0); }

using Testing::UnderWine;
constexpr bool SystemRules = Testing::SystemTextRules;

template <typename T>
T PerBackend(T AIcu, T ASystem) {
  return Testing::PerTextBackend(AIcu, ASystem);
}

// ---- the ordinal folding -----------------------------------------------------------------------

TEST(OrdinalFolding, UpperCasesEachCodeUnitByItsSimpleMapping) {
  struct TCase {
    const char* Text;
    const char* Upper;
  };
  const TCase Cases[] = {
      {"Привет, ёж", "ПРИВЕТ, ЁЖ"},
      {"straße", "STRAßE"},           // no 1:1 capital: stays
      {"ﬁle", "ﬁLE"},                 // a ligature has no simple upper case
      {"ǆemal", "ǄEMAL"},             // a one-to-one mapping outside Latin-1
      {"𐐨", "𐐨"},                    // outside the 16-bit plane: two code units, neither upper-cased
      {"a\xFF" "b\xC3", "A\xFF" "B\xC3"},  // bytes that are not UTF-8 stay as they are
  };
  for (const TCase& C : Cases) EXPECT_EQ(OrdinalUpperCase(C.Text), C.Upper) << C.Text;
}

TEST(OrdinalFolding, ComparesUpperCasedUtf16CodeUnits) {
  struct TCase {
    const char* A;
    const char* B;
    int Order;
  };
  const TCase Cases[] = {
      {"a", "B", -1},
      {"Ёлка", "ёЛКА", 0},
      {"_", "a", 1},                 // "A" (0x41) comes before "_" (0x5F)
      {"😀", "\xEF\xBC\xA1", -1},    // a surrogate pair sorts before U+FF21, as UTF-16 units do
      {"😀", "\xFF", -1},            // a foreign byte stands in the low surrogates (0xDCFF)
      {"\xFF", "\xEE\x80\x80", -1},  // ... before U+E000
      {"\xFF", "\xFE", 1},
      {"", "a", -1},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(testing::Message() << C.A << " / " << C.B);
    EXPECT_EQ(CompareOrdinalIgnoreCase(C.A, C.B), C.Order);
    EXPECT_EQ(CompareOrdinalIgnoreCase(C.B, C.A), -C.Order);
    EXPECT_EQ(SameOrdinalIgnoreCase(C.A, C.B), C.Order == 0);
  }
}

// ---- collation ---------------------------------------------------------------------------------

// The word sort: Latin before Cyrillic, hyphen and apostrophe weighing nothing at the first level
// and coming after the plain word. The ICU tailoring makes "ё" a letter of its own after "е" and puts
// the hyphen first; the system's table weighs "ё" as "е" with a diacritic (so it decides only when the
// letters tie) and puts the apostrophe first.
const std::vector<std::string> WordSortOrder = PerBackend<std::vector<std::string>>(
    {"ab", "a-b", "a'b", "ac", "coop", "co-op", "cop", "its", "it's", "itz", "Zebra",
     "абв", "еб", "ежи", "ёа", "ёж", "жук"},
    {"ab", "a'b", "a-b", "ac", "coop", "co-op", "cop", "its", "it's", "itz", "Zebra",
     "абв", "ёа", "еб", "ёж", "ежи", "жук"});

TEST(Collation, RussianSortsAsTheProductsWordSort) {
  for (auto Case : {TCaseSensitivity::CaseSensitive, TCaseSensitivity::IgnoreCase}) {
    for (std::size_t I = 0; I + 1 < WordSortOrder.size(); ++I) {
      const std::string &A = WordSortOrder[I], &B = WordSortOrder[I + 1];
      EXPECT_EQ(Collate(A, B, "ru_RU", Case), -1) << A << " < " << B;
      EXPECT_EQ(Collate(B, A, "ru_RU", Case), 1) << B << " > " << A;
    }
    std::vector<std::string> Sorted(WordSortOrder.rbegin(), WordSortOrder.rend());
    std::sort(Sorted.begin(), Sorted.end(),
              [&](const std::string& A, const std::string& B) { return Collate(A, B, "ru_RU", Case) < 0; });
    EXPECT_EQ(Sorted, WordSortOrder);
  }
}

TEST(Collation, CaseAndFullMappingsAsEachStrengthAsks) {
  struct TCase {
    const char* A;
    const char* B;
    int Exact;     // case-sensitive
    int Ignoring;  // case ignored
  };
  const TCase Cases[] = {
      {"Ёлка", "ёлка", 1, 0},
      // "ß" weighs as "ss"; the system's rules let the case of the first "s" decide before that.
      {"straße", "STRASSE", PerBackend(1, -1), 0},
      {"ﬁle", "FILE", -1, 0},
      {"ёлка", "елка", 1, 1},        // a letter of its own, not a case
      {"a-b", "ab", 1, 1},           // ignored at the first level only
      {"", "a", -1, -1},
      {"", "", 0, 0},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(testing::Message() << C.A << " / " << C.B);
    EXPECT_EQ(Sign(Collate(C.A, C.B, "ru_RU", TCaseSensitivity::CaseSensitive)), C.Exact);
    EXPECT_EQ(Sign(Collate(C.A, C.B, "ru_RU", TCaseSensitivity::IgnoreCase)), C.Ignoring);
  }
}

TEST(Collation, ThePosixLocaleKeepsTheOrderOfAscii) {
  EXPECT_EQ(Collate("B", "a", "en_US_POSIX", TCaseSensitivity::CaseSensitive), -1);
  EXPECT_EQ(Collate("a-b", "ab", "en_US_POSIX", TCaseSensitivity::CaseSensitive), -1);  // "-" is 0x2D
  EXPECT_EQ(Collate("a", "B", "en_US_POSIX", TCaseSensitivity::IgnoreCase), -1);
}

TEST(Collation, OtherLocalesGetTheWordSortToo) {
  EXPECT_EQ(Collate("zebra", "абв", "en_US", TCaseSensitivity::CaseSensitive), -1);
  EXPECT_EQ(Collate("co-op", "cop", "de_DE", TCaseSensitivity::CaseSensitive), -1);
}

// ---- the linguistic case -----------------------------------------------------------------------

TEST(LinguisticCase, FollowsTheLanguage) {
  struct TCase {
    const char* Text;
    const char* Locale;
    const char* Upper;
    const char* Lower;
  };
  const TCase Cases[] = {
      {"Ёлка и ЖУК", "ru_RU", "ЁЛКА И ЖУК", "ёлка и жук"},
      {"istanbul Iİı", "tr_TR", "İSTANBUL IİI", "istanbul ıiı"},  // dotted and dotless i
      {"istanbul", "en_US", "ISTANBUL", "istanbul"},
      {"Ǆemal", "ru_RU", "ǄEMAL", "ǆemal"},
      // The full mappings make "ß" "SS" and "ﬁ" "FI"; the system has only one-to-one mappings.
      {"straße ﬁle", "ru_RU", PerBackend("STRASSE FILE", "STRAßE ﬁLE"), "straße ﬁle"},
      {"a\xFF", "ru_RU", "A\xEF\xBF\xBD", "a\xEF\xBF\xBD"},  // a byte that is not UTF-8 becomes U+FFFD
      {"", "ru_RU", "", ""},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(testing::Message() << C.Text << " in " << C.Locale);
    EXPECT_EQ(UpperCase(C.Text, C.Locale), C.Upper);
    EXPECT_EQ(LowerCase(C.Text, C.Locale), C.Lower);
  }
}

TEST(LinguisticCase, ThePosixLocaleUpperCasesWithoutALanguage) {
  EXPECT_EQ(UpperCase("istanbul ёж", "en_US_POSIX"), "ISTANBUL ЁЖ");
  EXPECT_EQ(LowerCase("ISTANBUL ЁЖ", "en_US_POSIX"), "istanbul ёж");
}

// ---- locale forms ------------------------------------------------------------------------------

TEST(LocaleForms, NumberSymbolsOfTheLocale) {
  struct TCase {
    const char* Locale;
    const char* Decimal;
    const char* Thousand;
  };
  const TCase Cases[] = {
      {"ru_RU", ",", "\xC2\xA0"},  // a no-break space
      {"en_US", ".", ","},
      {"de_DE", ",", "."},
      {"en_US_POSIX", ".", ","},
  };
  for (const TCase& C : Cases) {
    TNumberSymbols Symbols;
    ASSERT_TRUE(LocaleNumberSymbols(C.Locale, Symbols)) << C.Locale;
    EXPECT_EQ(Symbols.DecimalSeparator, C.Decimal) << C.Locale;
    EXPECT_EQ(Symbols.ThousandSeparator, C.Thousand) << C.Locale;
  }
}

TEST(LocaleForms, ALocaleTheSystemDoesNotKnow) {
  TNumberSymbols Symbols;
  // ICU falls back to its root locale; the system knows no such locale and says so.
  EXPECT_EQ(LocaleNumberSymbols("xx_YY", Symbols), !SystemRules);
  if (SystemRules) {
    EXPECT_EQ(LocaleShortDatePattern("xx_YY"), "");
    EXPECT_EQ(LocaleTimePattern("xx_YY"), "");
    EXPECT_THROW(Collate("a", "b", "xx_YY", TCaseSensitivity::CaseSensitive), EConvertError);
  }
}

// The system's pictures ("dd.MM.yyyy", "h:mm:ss tt") come in the pattern letters of the header.
TEST(LocaleForms, ShortDateAndTimePatterns) {
  EXPECT_EQ(LocaleShortDatePattern("ru_RU"), PerBackend("dd.MM.y", "dd.MM.yyyy"));
  EXPECT_EQ(LocaleShortDatePattern("en_US"), PerBackend("M/d/yy", "M/d/yyyy"));
  EXPECT_EQ(LocaleTimePattern("en_US"), PerBackend("h:mm:ss\u202Fa", "h:mm:ss a"));  // ICU's narrow no-break space
  EXPECT_EQ(LocaleShortDatePattern("en_US_POSIX"), PerBackend("M/d/yy", "M/d/yyyy"));
  if (UnderWine() && LocaleTimePattern("ru_RU") == "HH:mm:ss")
    GTEST_SKIP() << "Wine: the Russian time picture is \"HH:mm:ss\", Windows' is \"H:mm:ss\"";
  EXPECT_EQ(LocaleTimePattern("ru_RU"), PerBackend("HH:mm:ss", "H:mm:ss"));
}

// ---- clock time --------------------------------------------------------------------------------

constexpr double MillisecondsPerDay = 86'400'000;
// 2012-05-06 (a Sunday) 21:08:07.042
constexpr double SundayEvening = 15466 * MillisecondsPerDay + ((21 * 60 + 8) * 60 + 7) * 1000 + 42;

TEST(ClockTime, FormatsEachField) {
  struct TCase {
    double Milliseconds;
    const char* Pattern;
    const char* Locale;
    const char* Text;
  };
  const TCase Cases[] = {
      {SundayEvening, "dd.MM.y HH:mm:ss.SSS", "ru_RU", "06.05.2012 21:08:07.042"},
      {SundayEvening, "d.M.yy H:m:s S SS", "ru_RU", "6.5.12 21:8:7 0 04"},
      {SundayEvening, "h:mm a, K k D", "en_US", "9:08 PM, 9 21 127"},
      {SundayEvening, "EEEE, d MMMM y", "ru_RU", "воскресенье, 6 мая 2012"},  // the month as beside a day
      {SundayEvening, "EEEE, MMMM d, y", "en_US", "Sunday, May 6, 2012"},
      {SundayEvening, "EEE d LLLL", "en_US", "Sun 6 May"},
      {SundayEvening, "'o''clock' '' y 'г.'", "ru_RU", "o'clock ' 2012 г."},
      {0, "dd.MM.yyyy HH:mm", "ru_RU", "01.01.1970 00:00"},
      {-1, "dd.MM.y HH:mm:ss.SSS", "ru_RU", "31.12.1969 23:59:59.999"},  // before the epoch, forward from midnight
      {-4'102'444'800'000.0 + 86'400'000.0 * 59, "dd.MM.y", "ru_RU", "29.02.1840"},  // a leap year
      {-62'135'596'800'000.0, "dd.MM.yyyy", "ru_RU", "01.01.0001"},  // the first day of the era
      {-62'135'596'800'000.0 - MillisecondsPerDay, "dd.MM.y G", "en_US", "31.12.1 BC"},
  };
  for (const TCase& C : Cases) EXPECT_EQ(FormatClockTime(C.Milliseconds, C.Pattern, C.Locale), C.Text) << C.Pattern;
}

TEST(ClockTime, ReadsTheWholeTextStrictly) {
  struct TCase {
    const char* Text;
    const char* Pattern;
    bool Fits;
    double Milliseconds;
  };
  const double May6 = 15466 * MillisecondsPerDay;
  const TCase Cases[] = {
      {"06.05.2012 21:08:07.042", "dd.MM.y HH:mm:ss.SSS", true, SundayEvening},
      {"06.05.2012", "dd.MM.yyyy", true, May6},
      {"06.05.12", "dd.MM.y", true, May6},  // two digits: a year near now
      {"060512", "ddMMyy", true, May6},     // abutting fields take their own width
      {"6 мая 2012", "d MMMM y", true, May6},
      {"6 МАЯ 2012", "d MMMM y", true, May6},  // names without regard to case
      {"9:08 PM", "h:mm a", true, (21 * 60 + 8) * 60'000.0},
      {"12:08 AM", "h:mm a", true, 8 * 60'000.0},
      {"29.02.2012", "dd.MM.y", true, 15399 * MillisecondsPerDay},
      {"29.02.2013", "dd.MM.y", false, 0},
      {"32.01.2012", "dd.MM.y", false, 0},
      {"00.05.2012", "dd.MM.y", false, 0},
      {"06.13.2012", "dd.MM.y", false, 0},
      {"01.01.0", "dd.MM.y", false, 0},  // there is no year 0
      {"24:00:00", "HH:mm:ss", false, 0},
      {"10:60:00", "HH:mm:ss", false, 0},
      {"6512", "ddMMyy", false, 0},
      {"06.05.2012 ", "dd.MM.y", false, 0},
      {"06.05.2012 x", "dd.MM.y", false, 0},
      {"06-05-2012", "dd.MM.y", false, 0},
      {"06.05.2012", "dd.MM.y HH:mm", false, 0},
      {"", "dd.MM.y", false, 0},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(testing::Message() << C.Text << " as " << C.Pattern);
    double Milliseconds = -12345;
    EXPECT_EQ(ParseClockTime(C.Text, C.Pattern, "ru_RU", Milliseconds), C.Fits);
    EXPECT_DOUBLE_EQ(Milliseconds, C.Fits ? C.Milliseconds : -12345);
  }
}

TEST(ClockTime, WhatIsFormattedReadsBack) {
  for (const char* Pattern :
       {"dd.MM.y HH:mm:ss", "dd.MM.yyyy H:mm:ss", "d MMMM y, EEEE h:mm:ss.SSS a", "yyyyMMddHHmmss"}) {
    // Whole seconds, as not every pattern keeps the milliseconds.
    for (double Value : {SundayEvening - 42, 0.0, -4'102'444'800'000.0, 253'402'300'799'000.0}) {
      const std::string Text = FormatClockTime(Value, Pattern, "ru_RU");
      double Parsed = 0;
      ASSERT_TRUE(ParseClockTime(Text, Pattern, "ru_RU", Parsed)) << Text;
      EXPECT_DOUBLE_EQ(Parsed, Value) << Text;
    }
  }
}

#ifdef _WIN32
// ICU formats a letter it does not know as nothing and an open quote as text to the end; this
// backend refuses both.
TEST(ClockTime, AnInvalidPatternIsAConvertError) {
  for (const char* Pattern : {"dd.MM.y jj", "dd 'open"}) {
    EXPECT_THROW(FormatClockTime(0, Pattern, "ru_RU"), EConvertError) << Pattern;
    double Parsed = 0;
    EXPECT_THROW(ParseClockTime("01", Pattern, "ru_RU", Parsed), EConvertError) << Pattern;
  }
}
#endif

// ---- code pages and UTF-16 ---------------------------------------------------------------------

TEST(CodePages, EveryByteOfBothCodePagesRoundTrips) {
  for (TCodePage Page : {TCodePage::Windows1251, TCodePage::Oem866}) {
    for (int B = 0; B < 256; ++B) {
      const std::string Byte(1, static_cast<char>(B));
      const std::string Text = DecodeCodePage(Byte, Page);
      EXPECT_EQ(Utf8Length(Text), 1u) << B;
      EXPECT_TRUE(CanEncodeCodePage(Text, Page)) << B;
      EXPECT_EQ(EncodeCodePage(Text, Page), Byte) << B;
    }
  }
}

TEST(CodePages, KnownLettersAndWhatNoCodePageHolds) {
  EXPECT_EQ(DecodeCodePage("\xC0\xA8\xB8\x98", TCodePage::Windows1251), "АЁё\xC2\x98");
  EXPECT_EQ(DecodeCodePage("\x80\xF0\xF1", TCodePage::Oem866), "АЁё");
  EXPECT_EQ(DecodeCodePage("\x1A\x1C\x7F", TCodePage::Oem866), "\x1A\x1C\x7F");  // controls are themselves
  EXPECT_EQ(EncodeCodePage("Ёж€", TCodePage::Windows1251), "\xA8\xE6\x88");
  EXPECT_EQ(EncodeCodePage("Ёж€", TCodePage::Oem866), "\xF0\xA6?");
  EXPECT_EQ(EncodeCodePage("a\xFF" "中", TCodePage::Windows1251), "a??");
  EXPECT_FALSE(CanEncodeCodePage("中", TCodePage::Windows1251));
  EXPECT_FALSE(CanEncodeCodePage("a\xFF", TCodePage::Windows1251));
}

TEST(Utf16, SurrogatesPairedOrReplaced) {
  EXPECT_EQ(Utf16ToUtf8(u"a\U0001F600"), "a😀");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDE00, 0xD83D}), "\xEF\xBF\xBD\xEF\xBF\xBD");  // the wrong way round
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD83D, u'x'}), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf8ToUtf16("\xE2\x82" "a"), u"\uFFFD\uFFFDa");  // each stray byte one replacement
}

}  // namespace
}  // namespace Quellit::Text
