#include "Lib/Common/Common.Filer.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>

#include "Lib/Common/Common.Helpers.Classes.h"
#include "Support/HexBytes.h"

namespace Quellit {
namespace {

using Testing::Hex;

// A filer over its own memory stream, rewound for reading what was written.
class FilerTest : public ::testing::Test {
 protected:
  TKvFiler Filer{TKvFiler::CreateWithMemoryStream};

  std::string WrittenHex() { return Hex(Filer.Stream()->GetAsBytes()); }
  void Rewind() { Filer.SetPosition(0); }
  void Load(const TBytes& ABytes) {
    Filer.Stream()->SetAsBytes(ABytes);
    Rewind();
  }
};

struct TValueCase {
  const char* Name;
  std::function<void(TOrvantFiler&)> Write;
  const char* Expected;
  std::function<bool(TOrvantFiler&)> ReadsBack;
};

TEST_F(FilerTest, UntaggedValuesHaveTheirFixedLittleEndianBytesAndReadBack) {
  const TValueCase Cases[] = {
      {"Int08", [](TOrvantFiler& F) { F.WriteInt08(-2); }, "FE", [](TOrvantFiler& F) { return F.ReadInt08() == -2; }},
      {"Byte", [](TOrvantFiler& F) { F.Write_Byte(0xA5); }, "A5", [](TOrvantFiler& F) { return F.Read_Byte() == 0xA5; }},
      {"Int16", [](TOrvantFiler& F) { F.WriteInt16(-300); }, "D4 FE",
       [](TOrvantFiler& F) { return F.ReadInt16() == -300; }},
      {"Int32", [](TOrvantFiler& F) { F.WriteInt32(0x12345678); }, "78 56 34 12",
       [](TOrvantFiler& F) { return F.ReadInt32() == 0x12345678; }},
      {"Int64", [](TOrvantFiler& F) { F.WriteInt64(-2); }, "FE FF FF FF FF FF FF FF",
       [](TOrvantFiler& F) { return F.ReadInt64() == -2; }},
      {"ByteBoolean", [](TOrvantFiler& F) { F.WriteByteBoolean(true); F.WriteByteBoolean(false); }, "01 00",
       [](TOrvantFiler& F) { return F.ReadByteBoolean() && !F.ReadByteBoolean(); }},
      {"Dbl64", [](TOrvantFiler& F) { F.WriteDbl64(1.5); }, "00 00 00 00 00 00 F8 3F",
       [](TOrvantFiler& F) { return F.ReadDbl64() == 1.5; }},
      // 12.3456 in ten-thousandths
      {"Cur64", [](TOrvantFiler& F) { F.WriteCur64(123456); }, "40 E2 01 00 00 00 00 00",
       [](TOrvantFiler& F) { return F.ReadCurr64() == 123456; }},
      {"Extended", [](TOrvantFiler& F) { F.WriteExtended(-2.0); }, "00 00 00 00 00 00 00 80 00 C0",
       [](TOrvantFiler& F) { return F.ReadExtended() == -2.0; }},
      {"Raw", [](TOrvantFiler& F) { F.Write("ab", 2); }, "61 62",
       [](TOrvantFiler& F) { char B[2]; F.Read(B, 2); return B[0] == 'a' && B[1] == 'b'; }},
      {"Boolean", [](TOrvantFiler& F) { F.WriteBoolean(true); F.WriteBoolean(false); }, "0A 09",
       [](TOrvantFiler& F) { return F.ReadBoolean() && !F.ReadBoolean(); }},
      {"Empty string", [](TOrvantFiler& F) { F.WriteString(""); }, "06 00",
       [](TOrvantFiler& F) { return F.ReadString().empty(); }},
      {"Cyrillic in Windows-1251", [](TOrvantFiler& F) { F.WriteString("Яж"); }, "06 02 DF E6",
       [](TOrvantFiler& F) { return F.ReadString() == "Яж"; }},
      {"UTF-16 with a surrogate pair", [](TOrvantFiler& F) { F.WriteStringW("Я😀"); }, "0B 03 2F 04 3D D8 00 DE",
       [](TOrvantFiler& F) { return F.ReadStringW() == "Я😀"; }},
  };
  for (const TValueCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    Filer.Stream()->SetSize(0);
    Rewind();
    C.Write(Filer);
    EXPECT_EQ(WrittenHex(), C.Expected);
    Rewind();
    EXPECT_TRUE(C.ReadsBack(Filer));
    EXPECT_TRUE(Filer.IsEndOfStream());
  }
}

struct TLengthCase {
  std::size_t Length;
  std::uint8_t AnsiTag;
  int LengthBytes;
};

TEST_F(FilerTest, StringTagsFollowTheLengthThresholdsInBytesAndInCharacters) {
  const TLengthCase Cases[] = {{0, 6, 1}, {255, 6, 1}, {256, 7, 2}, {65534, 7, 2}, {65535, 8, 4}, {70000, 8, 4}};
  for (const TLengthCase& C : Cases) {
    for (bool Wide : {false, true}) {
      SCOPED_TRACE(testing::Message() << C.Length << (Wide ? " wide" : " ansi"));
      // Cyrillic letters: one byte each in Windows-1251, one UTF-16 unit each, two bytes in UTF-8.
      std::string Text;
      for (std::size_t I = 0; I < C.Length; ++I) Text += (I % 2 ? "ж" : "z");
      Filer.Stream()->SetSize(0);
      Rewind();
      Filer.SetUseUnicodeStrings(Wide);
      Filer.WriteString(Text);
      TBytes Bytes = Filer.Stream()->GetAsBytes();
      const std::size_t UnitSize = Wide ? 2 : 1;
      ASSERT_EQ(Bytes.size(), 1 + C.LengthBytes + UnitSize * C.Length);
      EXPECT_EQ(Bytes[0], C.AnsiTag + (Wide ? 5 : 0));
      std::uint64_t Stored = 0;
      for (int I = C.LengthBytes; I >= 1; --I) Stored = (Stored << 8) | Bytes[static_cast<std::size_t>(I)];
      EXPECT_EQ(Stored, C.Length);
      Rewind();
      EXPECT_EQ(Filer.ReadString(), Text);
    }
  }
}

TEST_F(FilerTest, StringReadsRefuseTheOtherKindAndUnknownTags) {
  Filer.WriteStringW("w");
  Filer.WriteStringA("a");
  Rewind();
  EXPECT_THROW(Filer.ReadStringA(), EOrvantFilerError);
  Rewind();
  EXPECT_EQ(Filer.ReadStringW(), "w");
  EXPECT_THROW(Filer.ReadStringW(), EOrvantFilerError);
  Rewind();
  EXPECT_EQ(Filer.ReadString(), "w");
  EXPECT_EQ(Filer.ReadString(), "a");

  for (std::uint8_t Tag : {0, 5, 9, 10, 14, 255}) {
    SCOPED_TRACE(static_cast<int>(Tag));
    Load({Tag, 0});
    try {
      Filer.ReadString();
      FAIL() << "an unknown tag must be refused";
    } catch (const EOrvantFilerError& E) {
      EXPECT_EQ(E.Message(), "Неверный формат данных в потоке");
      EXPECT_EQ(E.ClassName(), "EOrvantFilerError");
    }
  }
}

TEST_F(FilerTest, BooleansOfTheTwoFormsReadOnlyTheirOwnTrueValue) {
  Load({1, 10, 10, 1});
  EXPECT_FALSE(Filer.ReadBoolean());      // 1 is not the true tag
  EXPECT_TRUE(Filer.ReadBoolean());
  EXPECT_TRUE(Filer.ReadByteBoolean());   // any non-zero byte
  EXPECT_TRUE(Filer.ReadByteBoolean());
}

TEST_F(FilerTest, SignaturesAndReadErrors) {
  Load({0x42, 0x43});
  EXPECT_NO_THROW(Filer.CheckSignature(0x42));
  try {
    Filer.CheckSignature(0x42);
    FAIL() << "a wrong signature must be refused";
  } catch (const EOrvantFilerInvalidSignature& E) {
    EXPECT_EQ(E.Message(), "Неверный формат данных в потоке");
  }
  // At the end of the stream it is the stream that fails, not the signature.
  EXPECT_THROW(Filer.CheckSignature(0x42), EReadError);
  EXPECT_THROW(Filer.ReadError(), EOrvantFilerError);
  EXPECT_THROW(Filer.ReadInt32(), EReadError);
}

TEST_F(FilerTest, DamagedLengthsFailAtTheEndOfTheStreamWithoutHugeAllocations) {
  const TBytes Cases[] = {
      {8, 0xFF, 0xFF, 0xFF, 0xFF, 'a'},   // 4 GiB of 8-bit text announced
      {13, 0xFF, 0xFF, 0xFF, 0xFF, 'a'},  // 8 GiB of UTF-16 announced
      {7, 0x10, 0x00, 'a'},
      {6},
  };
  for (const TBytes& C : Cases) {
    SCOPED_TRACE(Hex(C));
    Load(C);
    EXPECT_THROW(Filer.ReadString(), EReadError);
  }
}

// Reads go in chunks sized by what the stream still holds; text spanning several of them must
// arrive whole, and one cut inside a later chunk must still fail.
TEST_F(FilerTest, TextLongerThanOneReadChunkReadsBackWholeOrFailsWhenCut) {
  const std::string Long = std::string(2 * 1024 * 1024 + 3, 'x') + "end";
  for (bool Unicode : {false, true}) {
    SCOPED_TRACE(Unicode);
    Filer.Stream()->SetSize(0);
    Rewind();
    Filer.SetUseUnicodeStrings(Unicode);
    Filer.WriteString(Long);
    Rewind();
    EXPECT_EQ(Filer.ReadString(), Long);

    Filer.Stream()->SetSize(Filer.Stream()->Size() - 1);
    Rewind();
    EXPECT_THROW(Filer.ReadString(), EReadError);
  }
}

TEST_F(FilerTest, ListCountsArePatchedInAndNestedListsCountOnlyTheirOwnItems) {
  Filer.WriteListBegin();
  Filer.WriteListEnd();
  EXPECT_EQ(WrittenHex(), "00 00 00 00");

  Filer.Stream()->SetSize(0);
  Rewind();
  Filer.WriteListBegin();
  for (int Outer = 0; Outer < 3; ++Outer) {
    Filer.Write_Byte(static_cast<std::uint8_t>(Outer));
    Filer.WriteListBegin();
    for (int Inner = 0; Inner < Outer; ++Inner) {
      Filer.WriteInt16(static_cast<std::int16_t>(Inner));
      Filer.NextListItem();
    }
    Filer.WriteListEnd();
    Filer.NextListItem();
  }
  Filer.WriteListEnd();
  EXPECT_EQ(Filer.Position(), Filer.Stream()->Size());
  EXPECT_EQ(WrittenHex(),
            "03 00 00 00 "
            "00 00 00 00 00 "
            "01 01 00 00 00 00 00 "
            "02 02 00 00 00 00 00 01 00");

  Rewind();
  EXPECT_TRUE(Filer.EOL());  // nothing open
  Filer.ReadListBegin();
  EXPECT_EQ(Filer.ListCount(), 3);
  int Outer = 0;
  while (!Filer.EOL()) {
    EXPECT_EQ(Filer.Read_Byte(), Outer);
    Filer.ReadListBegin();
    int Inner = 0;
    while (!Filer.EOL()) {
      EXPECT_EQ(Filer.ReadInt16(), Inner++);
      Filer.ReadNextItem();
    }
    Filer.ReadListEnd();
    EXPECT_EQ(Inner, Outer++);
    Filer.ReadNextItem();
  }
  Filer.ReadListEnd();
  EXPECT_EQ(Outer, 3);
  EXPECT_EQ(Filer.ListCount(), 0);
}

TEST_F(FilerTest, ListMisuseIsABrokenPrecondition) {
  EXPECT_THROW(Filer.WriteListEnd(), EAssertionFailed);
  EXPECT_THROW(Filer.NextListItem(), EAssertionFailed);
  EXPECT_THROW(Filer.ReadNextItem(), EAssertionFailed);
  EXPECT_THROW(Filer.ReadListEnd(), EAssertionFailed);
}

TEST_F(FilerTest, ADamagedNegativeListCountEndsTheListAtOnce) {
  Load({0x00, 0x00, 0x00, 0x80});
  Filer.ReadListBegin();
  EXPECT_TRUE(Filer.EOL());
  EXPECT_NO_THROW(Filer.ReadNextItem());
  EXPECT_EQ(Filer.ListCount(), std::numeric_limits<std::int32_t>::min());
}

TEST_F(FilerTest, StreamTaggedStringsAndFilerStringsReadEachOther) {
  TStream& S = *Filer.Stream();
  S.WriteFilerString("Смета");
  Filer.WriteString("Локальная");
  Rewind();
  EXPECT_EQ(Filer.ReadString(), "Смета");
  EXPECT_EQ(S.ReadFilerString(), "Локальная");
}

TEST(TOrvantFiler, WorksFromTheStreamsPositionAndLeavesABorrowedStreamAlive) {
  TMemoryStream Stream;
  Stream.WriteInt32(7);
  {
    TOrvantFiler Filer(&Stream, false);
    Filer.WriteInt16(1);
    EXPECT_EQ(Filer.Position(), 6);
  }
  EXPECT_EQ(Stream.Size(), 6);
}

// ---- extended values -----------------------------------------------------------------------------

std::uint64_t Bits(double AValue) { return std::bit_cast<std::uint64_t>(AValue); }

TEST_F(FilerTest, ExtendedKeepsEveryDoubleExactly) {
  const double Cases[] = {0.0,
                          -0.0,
                          1.0 / 3.0,
                          -123456.789,
                          std::numeric_limits<double>::max(),
                          std::numeric_limits<double>::lowest(),
                          std::numeric_limits<double>::min(),
                          std::numeric_limits<double>::denorm_min(),
                          -std::numeric_limits<double>::denorm_min() * 12345,
                          std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity()};
  for (double V : Cases) Filer.WriteExtended(V);
  Filer.WriteExtended(std::numeric_limits<double>::quiet_NaN());
  Rewind();
  for (double V : Cases) EXPECT_EQ(Bits(Filer.ReadExtended()), Bits(V)) << V;
  EXPECT_TRUE(std::isnan(Filer.ReadExtended()));
}

// Where the platform's long double is the x87 format, the hardware is the reference for both
// directions: a double widens exactly, and a wider value narrows with round-to-nearest-even.
TEST_F(FilerTest, ExtendedAgreesWithTheNativeX87Format) {
  if (std::numeric_limits<long double>::digits != 64 || std::numeric_limits<long double>::max_exponent != 16384)
    GTEST_SKIP() << "long double is not the x87 extended format here";
  std::mt19937_64 Random(20240611);
  for (int I = 0; I < 20000; ++I) {
    double Value = std::bit_cast<double>(Random());
    if (std::isnan(Value)) continue;
    std::uint8_t Ours[10];
    DoubleToExtended(Value, Ours);
    long double Native = Value;
    ASSERT_EQ(std::memcmp(Ours, &Native, 10), 0) << Value;
  }
  for (int I = 0; I < 20000; ++I) {
    std::uint8_t Bytes[10];
    std::uint64_t Mantissa = Random() | (std::uint64_t{1} << 63);  // normal numbers only
    // Exponents around the whole double range, its subnormal edge and beyond.
    auto Exponent = static_cast<std::uint16_t>(16383 - 1100 + static_cast<int>(Random() % 2200));
    if (Random() & 1) Exponent |= 0x8000;
    std::memcpy(Bytes, &Mantissa, 8);
    std::memcpy(Bytes + 8, &Exponent, 2);
    long double Native = 0;
    std::memcpy(&Native, Bytes, 10);
    ASSERT_EQ(Bits(ExtendedToDouble(Bytes)), Bits(static_cast<double>(Native))) << Hex(TBytes(Bytes, Bytes + 10));
  }
}

}  // namespace
}  // namespace Quellit
