#include "Platform/TextCodec.h"

#include <gtest/gtest.h>

#include <string>

namespace Quellit::Platform {
namespace {

// UTF-16 code units as little- or big-endian bytes, built apart from the codec under test.
std::string Utf16Bytes(std::u16string_view AUnits, bool ABigEndian = false) {
  std::string Bytes;
  for (char16_t Unit : AUnits) {
    const char Low = static_cast<char>(Unit & 0xFF), High = static_cast<char>(Unit >> 8);
    Bytes += ABigEndian ? std::string{High, Low} : std::string{Low, High};
  }
  return Bytes;
}

struct TDecodeCase {
  const char* Name;
  std::string Bytes;
  std::string Text;
  TTextEncoding Encoding;
  bool HasBom;
};

TEST(TextCodec, DetectsAndDecodesEachEncoding) {
  const TDecodeCase Cases[] = {
      {"ascii", "key=value", "key=value", TTextEncoding::Utf8, false},
      {"empty", "", "", TTextEncoding::Utf8, false},
      {"utf-8", "Привет", "Привет", TTextEncoding::Utf8, false},
      {"utf-8 with bom", "\xEF\xBB\xBFПривет", "Привет", TTextEncoding::Utf8, true},
      {"utf-16le", "\xFF\xFE" + Utf16Bytes(u"Привет\r\n"), "Привет\r\n", TTextEncoding::Utf16LE, true},
      {"utf-16be", "\xFE\xFF" + Utf16Bytes(u"Привет", true), "Привет", TTextEncoding::Utf16BE, true},
      {"utf-16 surrogate pair", "\xFF\xFE" + Utf16Bytes(u"\U0001F600"), "\U0001F600", TTextEncoding::Utf16LE, true},
      {"utf-16 lone surrogate", "\xFF\xFE" + Utf16Bytes(u"a") + std::string("\x00\xD8", 2) + Utf16Bytes(u"b"), "a\uFFFDb",
       TTextEncoding::Utf16LE, true},
      {"utf-16 odd byte", "\xFF\xFE" + Utf16Bytes(u"a") + "x", "a\uFFFD", TTextEncoding::Utf16LE, true},
      {"windows-1251", "\xCF\xF0\xE8\xE2\xE5\xF2", "Привет", TTextEncoding::Windows1251, false},
      {"windows-1251 undefined byte", "\xC0\x98", "А\u0098", TTextEncoding::Windows1251, false},
      {"overlong utf-8 is not utf-8", "\xC0\xAF", "АЇ", TTextEncoding::Windows1251, false},
      {"utf-16 surrogate in utf-8 is not utf-8", "\xED\xA0\x80", "н\u00A0Ђ", TTextEncoding::Windows1251, false},
  };
  for (const TDecodeCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    const TDecodedText Decoded = DecodeText(Case.Bytes);
    EXPECT_EQ(Decoded.Text, Case.Text);
    EXPECT_EQ(Decoded.Encoding, Case.Encoding);
    EXPECT_EQ(Decoded.HasBom, Case.HasBom);
  }
}

TEST(TextCodec, EncodesWithTheRequestedMark) {
  EXPECT_EQ(EncodeText("Ключ", TTextEncoding::Utf8, true), "\xEF\xBB\xBFКлюч");
  EXPECT_EQ(EncodeText("Ключ", TTextEncoding::Utf8), "Ключ");
  EXPECT_EQ(EncodeText("Ключ\r\n", TTextEncoding::Utf16LE, true), "\xFF\xFE" + Utf16Bytes(u"Ключ\r\n"));
  EXPECT_EQ(EncodeText("Ключ", TTextEncoding::Utf16BE, true), "\xFE\xFF" + Utf16Bytes(u"Ключ", true));
  EXPECT_EQ(EncodeText("Ключ", TTextEncoding::Windows1251, true), "\xCA\xEB\xFE\xF7");
}

TEST(TextCodec, WindowsAnsiKeepsItsUndefinedByteAndMarksWhatItCannotHold) {
  // A file read and written back keeps even the byte the code page leaves undefined.
  EXPECT_EQ(EncodeText(DecodeAs("\xC0\x98\xFF", TTextEncoding::Windows1251), TTextEncoding::Windows1251), "\xC0\x98\xFF");
  EXPECT_EQ(EncodeText("a日b", TTextEncoding::Windows1251), "a?b");
  EXPECT_TRUE(CanEncode("Привет, №5 «ok»", TTextEncoding::Windows1251));
  EXPECT_FALSE(CanEncode("a日b", TTextEncoding::Windows1251));
  EXPECT_FALSE(CanEncode("\u0081", TTextEncoding::Windows1251));
  EXPECT_TRUE(CanEncode("a日b", TTextEncoding::Utf16LE));
}

TEST(TextCodec, InvalidUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(DecodeAs("a\xFF" "b", TTextEncoding::Utf8), "a\uFFFDb");
  EXPECT_EQ(EncodeText("a\xFF", TTextEncoding::Utf16LE), Utf16Bytes(u"a\uFFFD"));
  EXPECT_TRUE(IsValidUtf8Bytes("Привет \U0001F600"));
  EXPECT_FALSE(IsValidUtf8Bytes("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  EXPECT_FALSE(IsValidUtf8Bytes("\xD0"));              // cut short
}

TEST(TextCodec, FoldsCaseOfEveryScript) {
  EXPECT_EQ(FoldCase("Привет, ёж and Straße"), "ПРИВЕТ, ЁЖ AND STRAßE");
  EXPECT_EQ(FoldCase("a\xFF" "b"), "A\xFF" "B");  // bytes that are not UTF-8 stay as they are
  EXPECT_TRUE(SameName("Раздел", "РАЗДЕЛ"));
  EXPECT_TRUE(SameName("InstallLocation", "installlocation"));
  EXPECT_FALSE(SameName("Раздел", "Раздел2"));
  EXPECT_FALSE(SameName("е", "ё"));
}

}  // namespace
}  // namespace Quellit::Platform
