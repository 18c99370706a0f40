#include "Lib/Common/Common.SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "Lib/Common/Common.Exception.h"
#include "Support/RussianLocale.h"
#include "Support/ScopedEnvironment.h"

namespace Quellit {
namespace {

using Testing::PerTextBackend;

// Every test here runs under the Russian locale, whatever the machine's environment says.
class SysUtilsRu : public Testing::TRussianLocaleTest {};

TEST_F(SysUtilsRu, LocaleIdDropsCodesetAndModifier) {
  SetUserLocale("ru_RU.UTF-8");
  EXPECT_EQ(UserLocale(), "ru_RU");
  SetUserLocale("de_DE.UTF-8@euro");
  EXPECT_EQ(UserLocale(), "de_DE");
  SetUserLocale("C");
  EXPECT_EQ(UserLocale(), "en_US_POSIX");
  SetUserLocale("POSIX");
  EXPECT_EQ(UserLocale(), "en_US_POSIX");
}

#ifdef _WIN32
// Windows keeps one locale per user, named as the system names it ("ru-RU"); those names serve as
// ids as well as the POSIX ones do.
TEST(SysUtilsLocale, TheSystemsLocaleNames) {
  ResetUserLocale();
  EXPECT_FALSE(UserLocale().empty());
  EXPECT_NE(UserLocale(), "en_US_POSIX");
  SetUserLocale("en-US");
  EXPECT_EQ(FormatSettings().DecimalSeparator, ".");
  EXPECT_LT(AnsiCompareStr("a", "B"), 0);
  SetUserLocale("ru-RU");
  EXPECT_EQ(FormatSettings().DecimalSeparator, ",");
  EXPECT_GT(AnsiCompareStr("B", "a"), 0);
  EXPECT_TRUE(AnsiSameText("Ёлка", "ёЛКА"));
  ResetUserLocale();
}
#else
TEST(SysUtilsLocale, EnvironmentPerCategory) {
  Testing::TScopedEnvironment Env;
  Env.Unset("LC_ALL");
  Env.Unset("LC_CTYPE");
  Env.Unset("LC_NUMERIC");
  Env.Set("LANG", "en_US.UTF-8");
  Env.Set("LC_TIME", "ru_RU.UTF-8");
  Env.Set("LC_COLLATE", "C");
  ResetUserLocale();
  EXPECT_EQ(UserLocale(), "en_US");
  EXPECT_EQ(FormatSettings().DecimalSeparator, ".");        // LANG
  EXPECT_EQ(FormatSettings().ShortDateFormat, "dd.MM.y");   // LC_TIME
  EXPECT_LT(AnsiCompareStr("B", "a"), 0);                   // LC_COLLATE=C: ASCII order
  Env.Set("LC_ALL", "ru_RU.UTF-8");                         // wins over every category
  ResetUserLocale();
  EXPECT_EQ(UserLocale(), "ru_RU");
  EXPECT_EQ(FormatSettings().DecimalSeparator, ",");
  EXPECT_GT(AnsiCompareStr("B", "a"), 0);
  SetUserLocale("en_US");                                   // the override beats the environment
  EXPECT_EQ(FormatSettings().DecimalSeparator, ".");
  Env.Unset("LC_ALL");
  Env.Unset("LC_TIME");
  Env.Unset("LC_COLLATE");
  Env.Unset("LANG");
  ResetUserLocale();
  EXPECT_EQ(UserLocale(), "en_US_POSIX");
  ResetUserLocale();
}
#endif

TEST_F(SysUtilsRu, AnsiCaseMapsCyrillicFully) {
  struct TCase {
    const char* Text;
    const char* Upper;
    const char* Lower;
  };
  const TCase Cases[] = {
      {"ёлка", "ЁЛКА", "ёлка"},
      {"Привет, World!", "ПРИВЕТ, WORLD!", "привет, world!"},
      {"ЁЛКА", "ЁЛКА", "ёлка"},
      {"straße", PerTextBackend("STRASSE", "STRAßE"), "straße"},  // the system has no "SS" for "ß"
      {"", "", ""},
  };
  for (const TCase& C : Cases) {
    EXPECT_EQ(AnsiUpperCase(C.Text), C.Upper) << C.Text;
    EXPECT_EQ(AnsiLowerCase(C.Text), C.Lower) << C.Text;
  }
}

TEST_F(SysUtilsRu, OrdinalCaseFoldsAsciiOnly) {
  EXPECT_EQ(UpperCase("abcЁж"), "ABCЁж");
  EXPECT_EQ(LowerCase("ABCЁЖ"), "abcЁЖ");
  EXPECT_TRUE(SameText("Hello", "hELLO"));
  EXPECT_FALSE(SameText("ёлка", "ЁЛКА"));
  EXPECT_FALSE(SameText("abc", "abcd"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("abcd", "ABC"), 0);
  EXPECT_EQ(CompareText("ABC", "abc"), 0);
  EXPECT_LT(CompareStr("B", "a"), 0);  // by bytes: upper-case letters first
  EXPECT_GT(CompareStr("я", "z"), 0);  // UTF-8 bytes of Cyrillic sort after ASCII
}

TEST_F(SysUtilsRu, AnsiSameTextFoldsCyrillicCase) {
  EXPECT_TRUE(AnsiSameText("ёЛкА", "ЁлКа"));
  EXPECT_TRUE(AnsiSameText("Документы", "ДОКУМЕНТЫ"));
  EXPECT_FALSE(AnsiSameText("ёлка", "елка"));
  EXPECT_FALSE(AnsiSameText("abc", "abcd"));
  EXPECT_EQ(AnsiCompareText("Документы", "ДОКУМЕНТЫ"), 0);
  EXPECT_NE(AnsiCompareStr("Документы", "ДОКУМЕНТЫ"), 0);
  EXPECT_FALSE(AnsiSameStr("a", "A"));
  EXPECT_TRUE(AnsiSameStr("abc", "abc"));
}

// The POSIX collation orders upper and lower case as different letters; comparing without
// regard to case must still treat them as equal there.
TEST(SysUtilsPosix, AnsiCompareTextIgnoresCaseInThePosixLocale) {
  SetUserLocale("C");
  EXPECT_TRUE(AnsiSameText(".XLS", ".xls"));
  EXPECT_EQ(AnsiCompareText("a", "B"), -1);
  EXPECT_EQ(AnsiCompareText("b", "A"), 1);
  EXPECT_NE(AnsiCompareStr(".XLS", ".xls"), 0);
  ResetUserLocale();
}

TEST_F(SysUtilsRu, CollationOrderDiffersFromByteOrder) {
  // Bytes put every upper-case Latin letter before any lower-case one and "ё" after "я".
  EXPECT_LT(CompareStr("Zebra", "apple"), 0);
  EXPECT_GT(AnsiCompareStr("Zebra", "apple"), 0);
  EXPECT_LT(AnsiCompareStr("ёж", "жук"), 0);
  EXPECT_GT(CompareStr("ёж", "жук"), 0);
  EXPECT_LT(AnsiCompareStr("a", "b"), 0);
  EXPECT_EQ(AnsiCompareStr("абв", "абв"), 0);
  EXPECT_LT(AnsiCompareText("Ёж", "жук"), 0);
}

TEST_F(SysUtilsRu, CollatorsServeManyThreads) {
  std::vector<std::thread> Threads;
  std::vector<int> Failures(4, 0);
  for (int T = 0; T < 4; ++T)
    Threads.emplace_back([&Failures, T] {
      for (int I = 0; I < 200; ++I)
        if (AnsiCompareText("Ёлка", "ёЛКА") != 0 || AnsiCompareStr("ёж", "жук") >= 0) ++Failures[T];
    });
  for (auto& T : Threads) T.join();
  EXPECT_EQ(Failures, std::vector<int>(4, 0));
}

TEST_F(SysUtilsRu, AnsiUpperCaseWithOriginsMapsBack) {
  std::vector<std::size_t> Origins;
  if (Testing::SystemTextRules) {
    // The system keeps "ß": "A" from 0, the two bytes of "ß" from 1, those of "Ё" from 3, the end.
    EXPECT_EQ(AnsiUpperCase("aßё", Origins), "AßЁ");
  } else {
    // "A" from offset 0, "SS" from the two-byte "ß" at 1, two bytes of "Ё" from 3, then the end.
    EXPECT_EQ(AnsiUpperCase("aßё", Origins), "ASSЁ");
  }
  EXPECT_EQ(Origins, (std::vector<std::size_t>{0, 1, 1, 3, 3, 5}));
}

TEST(SysUtilsCodePages, Win1251RoundTripsEveryByte) {
  // 0x98, the one byte the code page leaves unassigned, survives the round trip too.
  for (int B = 0; B < 256; ++B) {
    const std::string Byte(1, static_cast<char>(B));
    const std::string Text = Win1251ToUtf8(Byte);
    EXPECT_TRUE(IsValidUtf8(Text)) << B;
    EXPECT_EQ(Utf8Length(Text), 1u) << B;
    EXPECT_EQ(Utf8ToWin1251(Text), Byte) << B;
  }
}

TEST(SysUtilsCodePages, Win1251KnownLettersAndUnmappable) {
  EXPECT_EQ(Win1251ToUtf8("\xC0\xE1\xE2 \xA8\xB8"), "Абв Ёё");
  EXPECT_EQ(Utf8ToWin1251("Ёлка"), "\xA8\xEB\xEA\xE0");
  EXPECT_EQ(Utf8ToWin1251("a€b"), "a\x88" "b");
  // Characters outside the code page become one "?" each, astral ones included.
  EXPECT_EQ(Utf8ToWin1251("é中😀z"), "???z");
  EXPECT_EQ(Win1251Encoding().Decode("\xCF\xF0\xE8\xE2\xE5\xF2"), "Привет");
  EXPECT_EQ(Win1251Encoding().Encode("Привет"), "\xCF\xF0\xE8\xE2\xE5\xF2");
  EXPECT_EQ(&Win1251Encoding(), &Win1251Encoding());
}

TEST(SysUtilsCodePages, SharedCodecIsPublishedOnceUnderRace) {
  std::vector<const TWin1251Encoding*> Seen(8, nullptr);
  std::vector<std::thread> Threads;
  for (std::size_t T = 0; T < Seen.size(); ++T)
    Threads.emplace_back([&Seen, T] { Seen[T] = &Win1251Encoding(); });
  for (auto& T : Threads) T.join();
  for (const auto* P : Seen) EXPECT_EQ(P, Seen[0]);
}

TEST(SysUtilsCodePages, OemConversionKeepsLength) {
  const std::string Ansi = "\xC0\xE1\xE2\xA8\xB8 Test";  // "АбвЁё Test"
  const std::string Oem = AnsiToOem(Ansi);
  EXPECT_EQ(Oem, "\x80\xA1\xA2\xF0\xF1 Test");
  EXPECT_EQ(OemToAnsi(Oem), Ansi);
  EXPECT_EQ(AnsiToOem("\x98\xA4").size(), 2u);  // unmappable bytes stay one byte each
}

TEST(SysUtilsCodePages, Utf16RoundTripAndRepair) {
  const std::string Text = "Aё中😀";
  const std::u16string Wide = Utf8ToUtf16(Text);
  EXPECT_EQ(Wide, u"Aё中😀");
  EXPECT_EQ(Wide.size(), 5u);  // the emoji is a surrogate pair
  EXPECT_EQ(Utf16ToUtf8(Wide), Text);
  // A lone surrogate cannot be UTF-8: it becomes the replacement character.
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
}

TEST(SysUtilsCodePages, Utf8Validation) {
  struct TCase {
    std::string Text;
    bool Valid;
    std::size_t Length;
  };
  const TCase Cases[] = {
      {"", true, 0},
      {"abc", true, 3},
      {"ёлка", true, 4},
      {"😀", true, 1},
      {"\xC0\xAF", false, 2},          // overlong "/"
      {"\xED\xA0\x80", false, 3},      // encoded surrogate
      {"\xE2\x82", false, 1},          // cut short
      {"\xF4\x90\x80\x80", false, 4},  // beyond U+10FFFF
  };
  for (const TCase& C : Cases) {
    EXPECT_EQ(IsValidUtf8(C.Text), C.Valid) << C.Text;
    if (C.Valid) {
      EXPECT_EQ(Utf8Length(C.Text), C.Length) << C.Text;
    }
  }
}

TEST(SysUtilsConversions, Trims) {
  EXPECT_EQ(Trim(" \t\r\nабв \x01"), "абв");
  EXPECT_EQ(TrimLeft("  a b  "), "a b  ");
  EXPECT_EQ(TrimRight("  a b  "), "  a b");
  EXPECT_EQ(Trim("   "), "");
}

TEST(SysUtilsConversions, IntegerText) {
  struct TCase {
    const char* Text;
    bool Ok;
    int Value;
  };
  const TCase Cases[] = {
      {"0", true, 0},          {"123", true, 123},       {"-45", true, -45},
      {"+7", true, 7},         {" 12", true, 12},        {"$1F", true, 31},
      {"0x10", true, 16},      {"-$10", true, -16},      {"$FFFFFFFF", true, -1},
      {"2147483647", true, 2147483647}, {"-2147483648", true, -2147483647 - 1},
      {"2147483648", false, 0}, {"", false, 0},          {"12a", false, 0},
      {"--1", false, 0},       {"$", false, 0},          {"12 ", false, 0},
      {"$100000000", false, 0},
  };
  for (const TCase& C : Cases) {
    int Value = 999;
    EXPECT_EQ(TryStrToInt(C.Text, Value), C.Ok) << C.Text;
    if (C.Ok) {
      EXPECT_EQ(Value, C.Value) << C.Text;
    }
    EXPECT_EQ(StrToIntDef(C.Text, -9), C.Ok ? C.Value : -9) << C.Text;
  }
  EXPECT_EQ(IntToStr(-9000000000LL), "-9000000000");
}

TEST_F(SysUtilsRu, FloatTextUsesTheLocaleSeparator) {
  EXPECT_EQ(FormatSettings().DecimalSeparator, ",");
  EXPECT_EQ(FloatToStr(1.5), "1,5");
  EXPECT_EQ(FloatToStr(100), "100");
  EXPECT_EQ(FloatToStr(1e20), "1E20");
  EXPECT_EQ(FloatToStr(0.00001), "1E-5");
  EXPECT_EQ(FloatToStr(1.0 / 3), "0,333333333333333");
  double Value = 0;
  EXPECT_TRUE(TryStrToFloat(" 2,25 ", Value));
  EXPECT_DOUBLE_EQ(Value, 2.25);
  EXPECT_TRUE(TryStrToFloat("-1E3", Value));
  EXPECT_DOUBLE_EQ(Value, -1000);
  EXPECT_FALSE(TryStrToFloat("2.25", Value));
  EXPECT_FALSE(TryStrToFloat("", Value));
  EXPECT_FALSE(TryStrToFloat("inf", Value));
  SetUserLocale("en_US");
  EXPECT_EQ(FloatToStr(1.5), "1.5");
}

TEST(SysUtilsDates, EncodeDecodeRoundTrips) {
  struct TCase {
    int Y, M, D;
    double Serial;
  };
  const TCase Cases[] = {
      {1899, 12, 30, 0}, {1900, 1, 1, 2}, {1970, 1, 1, 25569}, {2000, 2, 29, 36585},
      {1899, 12, 29, -1}, {1, 1, 1, -693593}, {9999, 12, 31, 2958465},
  };
  for (const TCase& C : Cases) {
    EXPECT_DOUBLE_EQ(EncodeDate(C.Y, C.M, C.D), C.Serial) << C.Y << "-" << C.M << "-" << C.D;
    int Y = 0, M = 0, D = 0;
    DecodeDate(C.Serial, Y, M, D);
    EXPECT_EQ(Y * 10000 + M * 100 + D, C.Y * 10000 + C.M * 100 + C.D) << C.Serial;
  }
}

TEST(SysUtilsDates, InvalidFieldsRaiseConvertError) {
  EXPECT_THROW(EncodeDate(2012, 13, 1), EConvertError);
  EXPECT_THROW(EncodeDate(2011, 2, 29), EConvertError);
  EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
  TDateTime Value = 0;
  EXPECT_TRUE(TryEncodeDate(2012, 2, 29, Value));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, Value));
}

TEST(SysUtilsDates, TimeOfDayBeforeAndAfterTheEpochDay) {
  int H = 0, N = 0, S = 0, Ms = 0;
  DecodeTime(EncodeDateTime(2012, 5, 6, 10, 20, 30, 456), H, N, S, Ms);
  EXPECT_EQ(std::vector<int>({H, N, S, Ms}), std::vector<int>({10, 20, 30, 456}));
  // Before 1899-12-30 the fraction still counts forward from midnight.
  const TDateTime Early = EncodeDateTime(1899, 12, 29, 6, 0, 0, 0);
  EXPECT_DOUBLE_EQ(Early, -1.25);
  DecodeTime(Early, H, N, S, Ms);
  EXPECT_EQ(H, 6);
  int Y = 0, M = 0, D = 0;
  DecodeDate(Early, Y, M, D);
  EXPECT_EQ(D, 29);
}

TEST(SysUtilsDates, NowIsTodayInLocalTime) {
  const TDateTime Before = Now();
  EXPECT_GT(Before, EncodeDate(2020, 1, 1));
  EXPECT_LE(Before, Now());
}

TEST_F(SysUtilsRu, DateTextFollowsTheLocale) {
  // The system's picture writes the year in four digits, ICU's in as many as it has.
  EXPECT_EQ(FormatSettings().ShortDateFormat, PerTextBackend("dd.MM.y", "dd.MM.yyyy"));
  EXPECT_EQ(DateToStr(EncodeDateTime(2012, 5, 6, 9, 8, 7, 0)), "06.05.2012");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2012, 5, 6)), "06.05.2012");
  EXPECT_EQ(DateToStr(EncodeDate(1850, 1, 2)), "02.01.1850");
  EXPECT_EQ(DateToStr(EncodeDate(812, 1, 2)), PerTextBackend("02.01.812", "02.01.0812"));
}

TEST_F(SysUtilsRu, TimeTextFollowsTheLocale) {
  if (Testing::UnderWine() && FormatSettings().LongTimeFormat == "HH:mm:ss")
    GTEST_SKIP() << "Wine: the Russian time picture is \"HH:mm:ss\", Windows' is \"H:mm:ss\"";
  EXPECT_EQ(FormatSettings().LongTimeFormat, PerTextBackend("HH:mm:ss", "H:mm:ss"));
  const TDateTime Value = EncodeDateTime(2012, 5, 6, 9, 8, 7, 0);
  EXPECT_EQ(TimeToStr(Value), PerTextBackend("09:08:07", "9:08:07"));
  EXPECT_EQ(DateTimeToStr(Value), PerTextBackend("06.05.2012 09:08:07", "06.05.2012 9:08:07"));
}

TEST_F(SysUtilsRu, DateTimeTextReadsBack) {
  for (TDateTime Value : {EncodeDateTime(2012, 5, 6, 9, 8, 7, 0), EncodeDate(2012, 5, 6),
                          EncodeDateTime(1850, 1, 2, 23, 59, 59, 0)}) {
    TDateTime Parsed = 0;
    ASSERT_TRUE(TryStrToDateTime(DateTimeToStr(Value), Parsed)) << DateTimeToStr(Value);
    EXPECT_DOUBLE_EQ(Parsed, Value) << DateTimeToStr(Value);
  }
  TDateTime Parsed = 0;
  EXPECT_FALSE(TryStrToDateTime("32.01.2012", Parsed));
  EXPECT_FALSE(TryStrToDateTime("06.05.2012 x", Parsed));
  EXPECT_FALSE(TryStrToDateTime("", Parsed));
}

TEST(SysUtilsDates, PosixLocaleHasUsForms) {
  SetUserLocale("C");
  EXPECT_EQ(FormatSettings().DecimalSeparator, ".");
  EXPECT_EQ(DateToStr(EncodeDate(2012, 5, 6)), PerTextBackend("5/6/12", "5/6/2012"));
  ResetUserLocale();
}

}  // namespace

TEST(SysUtilsDates, ValuesBeyondAnyCalendarAreRefusedNotMisread) {
  for (double Value : {std::nan(""), 1e300, -1e300, std::numeric_limits<double>::infinity()})
    EXPECT_THROW(DateToStr(Value), EConvertError) << Value;
}

}  // namespace Quellit
