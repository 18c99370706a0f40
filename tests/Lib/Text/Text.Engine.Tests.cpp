#include "Lib/Text/Text.Engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace Quellit::Text {
namespace {

int Sign(int AValue) { return (AValue > 0) - (AValue < 0); }

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

// The word sort of the product's platform: Latin before Cyrillic, "ё" its own letter after "е",
// hyphen and apostrophe weighing nothing at the first level and coming after the plain word.
const std::vector<std::string> WordSortOrder = {
    "ab", "a-b", "a'b", "ac", "coop", "co-op", "cop", "its", "it's", "itz", "Zebra",
    "абв", "еб", "ежи", "ёа", "ёж", "жук"};

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
      {"straße", "STRASSE", 1, 0},   // the full upper case of "ß" is "SS"
      {"ﬁle", "FILE", -1, 0},
      {"ёлка", "елка", 1, 1},        // a letter of its own, not a case
      {"a-b", "ab", 1, 1},           // ignored at the first level only
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
