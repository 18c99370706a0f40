#include "Lib/Common/Common.StringUtils.h"

#include <gtest/gtest.h>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Support/RussianLocale.h"

namespace Quellit {
namespace {

class StringUtilsRu : public Testing::TRussianLocaleTest {};

TEST(TStringUtils, JoinSkipsEmptyStrings) {
  EXPECT_EQ(TStringUtils::Join({"a", "", "b"}, ", "), "a, b");
  EXPECT_EQ(TStringUtils::Join({"", "", ""}, ", "), "");
  EXPECT_EQ(TStringUtils::Join(std::initializer_list<std::string_view>{}, ", "), "");
  EXPECT_EQ(TStringUtils::Join({"", "x"}, "-"), "x");
  EXPECT_EQ(TStringUtils::Join(TStringDynArray{"a", "", "b", "c"}, "/"), "a/b/c");
}

TEST(TStringUtils, JoinOfARangeClampsItsBounds) {
  const TStringDynArray Items{"a", "b", "", "d", "e"};
  struct TCase {
    int Index, Count;
    const char* Expected;
  };
  const TCase Cases[] = {
      {0, 5, "a,b,d,e"}, {1, 3, "b,d"}, {-2, 4, "a,b"}, {3, 100, "d,e"},
      {5, 1, ""},        {2, 0, ""},    {0, -1, ""},    {4, 1, "e"},
  };
  for (const TCase& C : Cases)
    EXPECT_EQ(TStringUtils::Join(Items, C.Index, C.Count, ","), C.Expected) << C.Index << "," << C.Count;
}

TEST(TStringUtils, CharIsNumeric) {
  for (char C : std::string("0123456789")) {
    EXPECT_TRUE(TStringUtils::CharIsNumeric(C, false)) << C;
    EXPECT_TRUE(TStringUtils::CharIsNumeric(static_cast<char16_t>(C), false)) << C;
  }
  EXPECT_FALSE(TStringUtils::CharIsNumeric('-', false));
  EXPECT_TRUE(TStringUtils::CharIsNumeric('-', true));
  EXPECT_TRUE(TStringUtils::CharIsNumeric(u'-', true));
  EXPECT_FALSE(TStringUtils::CharIsNumeric('a', true));
  EXPECT_FALSE(TStringUtils::CharIsNumeric(u'\u0660', true));  // Arabic-Indic zero is not ours
}

TEST(TStringUtils, AddLeadingCharsCountsCharacters) {
  struct TCase {
    const char* S;
    int Length;
    char32_t Pad;
    const char* Expected;
  };
  const TCase Cases[] = {
      {"7", 3, U'0', "007"},      {"123", 2, U'0', "123"},  {"", 2, U' ', "  "},
      {"ёж", 4, U'_', "__ёж"},    {"a", 3, U'я', "яяa"},    {"abc", 3, U'0', "abc"},
      {"x", -1, U'0', "x"},
  };
  for (const TCase& C : Cases) EXPECT_EQ(TStringUtils::AddLeadingChars(C.S, C.Length, C.Pad), C.Expected) << C.S;
  EXPECT_EQ(TStringUtils::AddLeadingChars("a", 2, static_cast<char32_t>(-1)), "\uFFFDa");
  EXPECT_EQ(TStringUtils::AddLeadingChars(u"ж", 3, u'0'), u"00ж");
  EXPECT_EQ(TStringUtils::AddLeadingChars(u"1234", 3, u'0'), u"1234");
}

TEST(TStringUtils, DropAndAddAffixes) {
  EXPECT_EQ(TStringUtils::DropLastChar("path/", U'/'), "path");
  EXPECT_EQ(TStringUtils::DropLastChar("path", U'/'), "path");
  EXPECT_EQ(TStringUtils::DropLastChar("", U'/'), "");
  EXPECT_EQ(TStringUtils::DropLastChar("ёлкаё", U'ё'), "ёлка");
  EXPECT_EQ(TStringUtils::DropLastChar("a//", U'/'), "a/");
  EXPECT_EQ(TStringUtils::DropFirstChar("/path", U'/'), "path");
  EXPECT_EQ(TStringUtils::DropFirstChar("ёж", U'ё'), "ж");
  EXPECT_EQ(TStringUtils::DropFirstChar("", U'/'), "");
  EXPECT_EQ(TStringUtils::DropFirstStr("http://x", "http://"), "x");
  EXPECT_EQ(TStringUtils::DropFirstStr("HTTP://x", "http://"), "HTTP://x");
  EXPECT_EQ(TStringUtils::AddFirstStr("x", "http://"), "http://x");
  EXPECT_EQ(TStringUtils::AddFirstStr("http://x", "http://"), "http://x");
  EXPECT_EQ(TStringUtils::AddFirstStr("HTTP://x", "http://"), "http://HTTP://x");
  EXPECT_EQ(TStringUtils::AddLastChar("", U'/'), "");
  EXPECT_EQ(TStringUtils::AddLastChar("a", U'/'), "a/");
  EXPECT_EQ(TStringUtils::AddLastChar("a/", U'/'), "a/");
  EXPECT_EQ(TStringUtils::AddLastChar("ёж", U'ё'), "ёжё");
}

TEST(TStringUtils, OemConversionOfWin1251Bytes) {
  const std::string Win = "\xCF\xF0\xE8\xE2\xE5\xF2!";  // "Привет!"
  const std::string Oem = TStringUtils::CharToOemA(Win);
  EXPECT_EQ(Oem, "\x8F\xE0\xA8\xA2\xA5\xE2!");
  EXPECT_EQ(TStringUtils::OemToCharA(Oem), Win);
  // Control characters pass both ways unchanged, as on the product's platform.
  const std::string Controls = "\x1A\x1C\x7F\x01";
  EXPECT_EQ(TStringUtils::CharToOemA(Controls), Controls);
  EXPECT_EQ(TStringUtils::OemToCharA(Controls), Controls);
}

TEST_F(StringUtilsRu, FastStringReplaceTable) {
  struct TCase {
    const char* Text;
    const char* Old;
    const char* New;
    TReplaceFlags Flags;
    const char* Expected;
  };
  const TCase Cases[] = {
      {"a-b-c", "-", "+", {}, "a+b-c"},
      {"a-b-c", "-", "+", rfReplaceAll, "a+b+c"},
      {"aaaa", "aa", "b", rfReplaceAll, "bb"},
      {"aaa", "aa", "b", rfReplaceAll, "ba"},
      {"abc", "", "x", rfReplaceAll, "abc"},
      {"", "a", "x", rfReplaceAll, ""},
      {"abc", "x", "y", rfReplaceAll, "abc"},
      {"a.b", ".", "", rfReplaceAll, "ab"},
      {"Ab aB ab", "AB", "x", rfReplaceAll, "Ab aB ab"},
      {"Ab aB ab", "AB", "x", rfReplaceAll | rfIgnoreCase, "x x x"},
      {"Ab aB ab", "AB", "x", rfIgnoreCase, "x aB ab"},
      {"Ёлка и ЁЛКА", "ёлка", "ель", rfReplaceAll | rfIgnoreCase, "ель и ель"},
      // Only ICU's full mapping makes "ß" "SS"; the system keeps it.
      {"Straße", "SS", "s", rfReplaceAll | rfIgnoreCase, Testing::PerTextBackend("Strase", "Straße")},
      {"Strasse ß", "s", "z", rfReplaceAll | rfIgnoreCase, "ztrazze ß"},
      {"xYx", "y", "ab", rfReplaceAll | rfIgnoreCase, "xabx"},
  };
  for (const TCase& C : Cases)
    EXPECT_EQ(FastStringReplace(C.Text, C.Old, C.New, C.Flags), C.Expected) << C.Text << " / " << C.Old;
}

TEST(JoinWithSeparator, KeepsExactlyOneSeparatorAtEachJunction) {
  struct TCase {
    const char* A;
    const char* B;
    const char* Expected;
  };
  const TCase Cases[] = {
      {"x/", "/y", "x/y"}, {"x", "y", "x/y"},   {"x//", "y", "x//y"}, {"", "y", "y"},
      {"x", "", "x"},      {"", "", ""},        {"x/", "y", "x/y"},   {"x", "/y", "x/y"},
      {"x//", "//y", "x///y"}, {"/", "/", "/"}, {"", "/y", "/y"},
  };
  for (const TCase& C : Cases) EXPECT_EQ(JoinWithSeparator(C.A, C.B, '/'), C.Expected) << C.A << " + " << C.B;
  EXPECT_EQ(JoinWithSeparator(TStringDynArray{"a\\", "", "\\b", "c", "d\\"}, '\\'), "a\\b\\c\\d\\");
  EXPECT_EQ(JoinWithSeparator(TStringDynArray{}, '/'), "");
}

TEST(StringSearch, IsBlank) {
  EXPECT_TRUE(IsBlank(""));
  EXPECT_TRUE(IsBlank(" \t\r\n"));
  EXPECT_FALSE(IsBlank(" \t", false));
  EXPECT_FALSE(IsBlank(" x "));
  EXPECT_TRUE(IsBlank("", false));
}

TEST_F(StringUtilsRu, IndexOfStringUnderTheLocale) {
  const TStringDynArray Items{"Один", "два", "ТРИ", "два"};
  EXPECT_EQ(IndexOfString("два", Items, true), 1);
  EXPECT_EQ(IndexOfString("ДВА", Items, true), -1);
  EXPECT_EQ(IndexOfString("ДВА", Items, false), 1);
  EXPECT_EQ(IndexOfString("три", Items, false), 2);
  EXPECT_EQ(IndexOfString("четыре", Items, false), -1);
  EXPECT_EQ(IndexOfString("x", TStringDynArray{}, false), -1);
}

TEST_F(StringUtilsRu, PosTextIgnoresCaseAndCountsBytes) {
  struct TCase {
    const char* Sub;
    const char* S;
    std::size_t Expected;
  };
  const TCase Cases[] = {
      {"b", "abc", 2}, {"B", "abc", 2},   {"x", "abc", 0},     {"", "abc", 0},
      {"abc", "ab", 0}, {"ЛКА", "ёлка", 3},
      // "ß" is "SS" only by ICU's full mapping.
      {"ss", "aßb", Testing::PerTextBackend<std::size_t>(2, 0)},
      {"ß", "xSS", Testing::PerTextBackend<std::size_t>(2, 0)},
      {"ß", "aßb", 2},
  };
  for (const TCase& C : Cases) EXPECT_EQ(PosText(C.Sub, C.S), C.Expected) << C.Sub << " in " << C.S;
}

TEST(TStringAppender, GrowsByTheRuleAndKeepsText) {
  TStringAppender Appender;
  EXPECT_EQ(Appender.Capacity(), 0u);
  Appender.Append('a');
  EXPECT_EQ(Appender.Capacity(), 10u);  // never less than 10
  Appender.Append("bcdefghij");
  EXPECT_EQ(Appender.Capacity(), 10u);
  Appender.Append("k");
  EXPECT_EQ(Appender.Capacity(), 20u);  // twice the old capacity
  Appender.Append(std::string(50, 'z'));
  EXPECT_EQ(Appender.Capacity(), 61u);  // the needed length when that is larger
  EXPECT_EQ(Appender.Length(), 61u);
  const std::string Text = Appender.Release();
  EXPECT_EQ(Text, "abcdefghijk" + std::string(50, 'z'));
  EXPECT_EQ(Appender.Length(), 0u);
  EXPECT_EQ(Appender.Release(), "");
}

TEST(TStringAppender, Utf16BytesComeInWholeUnits) {
  TStringAppender Appender;
  const unsigned char Bytes[] = {0x16, 0x04, 0x41, 0x00, 0x3D, 0xD8, 0x00, 0xDE};  // "ЖA😀"
  Appender.AppendUtf16Bytes(Bytes, sizeof Bytes);
  try {
    Appender.AppendUtf16Bytes(Bytes, 3);
    FAIL() << "an odd byte count was accepted";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message(), "Добавить можно только кратное 2 число байт");
  }
  EXPECT_EQ(Appender.Release(), "ЖA😀");
}

}  // namespace
}  // namespace Quellit
