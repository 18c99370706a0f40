#include "Lib/Common/Common.Helpers.Classes.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <functional>
#include <limits>

#include "Platform/File.h"
#include "Support/HexBytes.h"

namespace Quellit {
namespace {

using Testing::Hex;

std::string Written(const std::function<void(TStream&)>& AWrite) {
  TMemoryStream Stream;
  AWrite(Stream);
  return Hex(Stream.GetAsBytes());
}

struct TLayoutCase {
  const char* Name;
  std::function<void(TStream&)> Write;
  const char* Expected;
};

TEST(TStreamHelper, TypedWritesProduceTheDocumentedBytes) {
  const TGUID Guid = TGUID::Parse("{00112233-4455-6677-8899-AABBCCDDEEFF}");
  const TLayoutCase Cases[] = {
      {"Byte", [](TStream& S) { S.WriteByte(0xA5); }, "A5"},
      {"CharA", [](TStream& S) { S.WriteCharA('Z'); }, "5A"},
      {"Boolean", [](TStream& S) { S.WriteBoolean(true); S.WriteBoolean(false); }, "01 00"},
      {"Word", [](TStream& S) { S.WriteWord(0xBEEF); }, "EF BE"},
      {"Int32", [](TStream& S) { S.WriteInt32(-2); }, "FE FF FF FF"},
      {"Int64", [](TStream& S) { S.WriteInt64(0x0102030405060708); }, "08 07 06 05 04 03 02 01"},
      {"Dbl", [](TStream& S) { S.WriteDbl(1.0); }, "00 00 00 00 00 00 F0 3F"},
      {"DateTime", [](TStream& S) { S.WriteDateTime(2.5); }, "00 00 00 00 00 00 04 40"},
      {"FileTime 1970", [](TStream& S) { S.WriteFileTime({0, 0}); }, "00 80 3E D5 DE B1 9D 01"},
      {"Extended 1", [](TStream& S) { S.WriteExtended(1.0); }, "00 00 00 00 00 00 00 80 FF 3F"},
      {"Extended -2", [](TStream& S) { S.WriteExtended(-2.0); }, "00 00 00 00 00 00 00 80 00 C0"},
      {"GUID", [&](TStream& S) { S.WriteGUID(Guid); }, "33 22 11 00 55 44 77 66 88 99 AA BB CC DD EE FF"},
      {"String", [](TStream& S) { S.WriteString("Яa"); }, "02 00 00 00 DF 61"},
      {"StringA", [](TStream& S) { S.WriteStringA("\xD0\xAF"); }, "02 00 00 00 D0 AF"},
      {"String16", [](TStream& S) { S.WriteString16("Ж"); }, "01 00 C6"},
      {"FilerString", [](TStream& S) { S.WriteFilerString("ab"); }, "06 02 61 62"},
      {"FilerString empty", [](TStream& S) { S.WriteFilerString(""); }, "06 00"},
      {"ListInteger", [](TStream& S) { S.WriteListInteger({1, -1}); }, "02 00 00 00 01 00 00 00 FF FF FF FF"},
      {"Signature", [](TStream& S) { S.WriteSignature("KVB1"); }, "4B 56 42 31"},
      {"EmptyBuffer", [](TStream& S) { S.WriteEmptyBuffer(3); S.WriteEmptyBuffer(-1); }, "00 00 00"},
      {"Variant integer", [](TStream& S) { S.WriteVariant(TVariant(std::int32_t{7})); }, "03 00 00 00 07 00 00 00"},
      {"Variant boolean", [](TStream& S) { S.WriteVariant(TVariant(true)); }, "0B 00 00 00 FF FF"},
      {"Variant null", [](TStream& S) { S.WriteVariant(TVariant::Null()); }, "01 00 00 00"},
      {"Variant wide string", [](TStream& S) { S.WriteVariant(TVariant("Я")); }, "08 00 00 00 01 00 00 00 2F 04"},
      {"Variant 8-bit string", [](TStream& S) { S.WriteVariant(TVariant::AnsiString("Я")); },
       "00 01 00 00 01 00 00 00 DF"},
      {"Variant byte array", [](TStream& S) {
         TVariant A = TVariant::Array(varByte, {{1, 2}});
         A.Elements() = {TVariant(std::uint8_t{0xAA}), TVariant(std::uint8_t{0xBB})};
         S.WriteVariant(A);
       }, "11 20 00 00 01 00 00 00 01 00 00 00 02 00 00 00 02 00 00 00 AA BB"},
  };
  for (const TLayoutCase& C : Cases) EXPECT_EQ(Written(C.Write), C.Expected) << C.Name;
}

TEST(TStreamHelper, StringsAndListsRoundTrip) {
  TMemoryStream Stream;
  TStringList Lines;
  Lines.AddInteger("Корвел", 1);
  Lines.AddInteger("", -5);
  TObject Attached;
  Lines.AddObject("object", &Attached);  // an address means nothing in a file: stored as 0
  std::string Long(70000, 'x');
  Stream.WriteString("Привет, мир");
  Stream.WriteStringA(std::string("\0\xFF", 2));
  Stream.WriteString16("Смета");
  Stream.WriteFilerString(Long);
  Stream.WriteTStrings(Lines);
  Stream.WriteGUID(IInterface::IID());
  Stream.WriteFileTime({1700000000, 123456700});
  Stream.WriteListInteger({3, -4, 5});

  Stream.SetPosition(0);
  EXPECT_EQ(Stream.ReadString(), "Привет, мир");
  EXPECT_EQ(Stream.ReadStringA(), std::string("\0\xFF", 2));
  EXPECT_EQ(Stream.ReadString16(), "Смета");
  EXPECT_EQ(Stream.ReadFilerString(), Long);
  TStringList Read;
  Read.Add("dropped");
  Stream.ReadTStrings(Read);
  ASSERT_EQ(Read.Count(), 3);
  EXPECT_EQ(Read[0], "Корвел");
  EXPECT_EQ(Read.Integers(1), -5);
  EXPECT_EQ(Read.Integers(2), 0);
  EXPECT_EQ(Read.Objects(2), nullptr);
  EXPECT_EQ(Stream.ReadGUID(), IInterface::IID());
  Platform::TFileTime Time = Stream.ReadFileTime();
  EXPECT_EQ(Time.Seconds, 1700000000);
  EXPECT_EQ(Time.Nanoseconds, 123456700);
  std::vector<std::int32_t> Numbers{99};
  Stream.ReadListInteger(Numbers);
  EXPECT_EQ(Numbers, (std::vector<std::int32_t>{3, -4, 5}));
  EXPECT_TRUE(Stream.EOS());
}

TEST(TStreamHelper, FilerStringTagFollowsTheLengthThresholds) {
  const std::pair<std::size_t, std::string> Cases[] = {
      {255, "06 FF"}, {256, "07 00 01"}, {65534, "07 FE FF"}, {65535, "08 FF FF 00 00"}};
  for (const auto& [Length, Head] : Cases) {
    TMemoryStream Stream;
    Stream.WriteFilerString(std::string(Length, 'a'));
    TBytes Bytes = Stream.GetAsBytes();
    Bytes.resize(Head.size() / 3 + 1);
    EXPECT_EQ(Hex(Bytes), Head) << Length;
    Stream.SetPosition(0);
    EXPECT_EQ(Stream.ReadFilerString().size(), Length);
  }
}

TEST(TStreamHelper, FilerStringWithAnotherTagFailsAnAssertion) {
  TBytesStream Stream(TBytes{11, 0});
  try {
    Stream.ReadFilerString();
    FAIL() << "tag 11 must be refused";
  } catch (const EAssertionFailed& E) {
    EXPECT_NE(std::string(E.Message()).find("Неожиданный тип строки (11)"), std::string::npos) << E.Message();
    EXPECT_NE(std::string(E.Message()).find("Lib/Common/Common.Helpers.Classes"), std::string::npos);
  }
}

TEST(TStreamHelper, ReadingPastTheEndNamesPositionSizeAndCount) {
  TBytesStream Stream(TBytes{1, 2, 3});
  Stream.ReadByte();
  try {
    Stream.ReadInt32();
    FAIL() << "a short read must fail";
  } catch (const EReadError& E) {
    EXPECT_EQ(E.Message(), "Stream read error, position: 3, size: 3, count: 4");
  }
}

TEST(TStreamHelper, SignatureMismatchNamesBothTexts) {
  TStringStream Stream("KVB2rest");
  try {
    Stream.CheckSignature("KVB1");
    FAIL() << "a different signature must fail";
  } catch (const EStreamError& E) {
    EXPECT_EQ(E.Message(), "Expected signature \"KVB1\", but found \"KVB2\"");
  }
  Stream.SetPosition(0);
  EXPECT_NO_THROW(Stream.CheckSignature("KVB2"));
  EXPECT_NO_THROW(Stream.CheckSignature(""));
  EXPECT_EQ(Stream.Position(), 4);
}

TEST(TStreamHelper, HeaderStoresTheLengthOfTheBlock) {
  TMemoryStream Stream;
  Stream.WriteByte(0xEE);
  std::int64_t Fixup = 0;
  Stream.WriteHeader(Fixup);
  Stream.WriteEmptyBuffer(10);
  Stream.FixupHeader(Fixup);
  EXPECT_EQ(Stream.Position(), 15);
  Stream.SetPosition(1);
  std::int64_t Last = 0;
  Stream.ReadHeader(Last);
  EXPECT_EQ(Last, 15);
  Stream.SetPosition(1);
  EXPECT_EQ(Stream.ReadInt32(), 10);
}

// A record whose newer version added a field after the ones version 1 knows.
class TRecord : public TInterfacedObject, public IVersionedStreamPersist {
 public:
  TRecord(std::int32_t AVersion, int APayload) : FVersion(AVersion), FPayload(APayload) {}
  HRESULT QueryInterface(const TGUID& AIID, void** AObj) override { return TInterfacedObject::QueryInterface(AIID, AObj); }
  std::int32_t _AddRef() override { return TInterfacedObject::_AddRef(); }
  std::int32_t _Release() override { return TInterfacedObject::_Release(); }

  std::int32_t StreamVersion() override { return FVersion; }
  void WriteToStream(TStream& AStream) override {
    AStream.WriteEmptyBuffer(FPayload);
    if (FVersion >= 2) AStream.WriteInt32(42);
  }
  void ReadFromStream(TStream& AStream, std::int32_t AVersion) override {
    ReadVersion = AVersion;
    AStream.SkipBuffer(FPayload + Overread);
  }

  std::int32_t ReadVersion = 0;
  int Overread = 0;

 private:
  std::int32_t FVersion;
  int FPayload;
};

TEST(TStreamHelper, VersionedRecordStoresItsSizeAndOlderReadersSkipNewFields) {
  TMemoryStream Stream;
  TRecord Ten(1, 10);
  Stream.SaveVersionedObject(Ten);
  EXPECT_EQ(Hex(Stream.GetAsBytes()).substr(0, 23), "01 00 00 00 0E 00 00 00");

  TMemoryStream Newer;
  TRecord Writer(2, 6);
  Newer.SaveVersionedObject(Writer);
  Newer.WriteByte(0x77);
  Newer.SetPosition(0);
  TRecord OldReader(1, 6);
  Newer.LoadVersionedObject(OldReader);
  EXPECT_EQ(OldReader.ReadVersion, 2);
  EXPECT_EQ(Newer.ReadByte(), 0x77);

  Newer.SetPosition(0);
  OldReader.Overread = 8;
  EXPECT_THROW(Newer.LoadVersionedObject(OldReader), Exception);
}

TEST(TStreamHelper, BlocksAndStreamsAreSizePrefixed) {
  TStringStream Payload("abc");
  TMemoryStream Stream;
  Stream.WriteStream(Payload);
  Payload.SaveToStreamBySize(Stream);
  EXPECT_EQ(Hex(Stream.GetAsBytes()), "03 00 00 00 00 00 00 00 61 62 63 03 00 00 00 61 62 63");

  Stream.SetPosition(0);
  TMemoryStream First, Second;
  Stream.ReadStream(First);
  Second.WriteStringA("old content");
  Second.LoadFromStreamBySize(Stream);
  EXPECT_EQ(Hex(First.GetAsBytes()), "61 62 63");
  EXPECT_EQ(Hex(Second.GetAsBytes()), "61 62 63");
}

TEST(TStreamHelper, ExtendedRoundTripsEveryKindOfDouble) {
  const double Cases[] = {1.0,
                          -0.0,
                          3.141592653589793,
                          std::numeric_limits<double>::denorm_min(),
                          2.2250738585072009e-308,  // the largest subnormal
                          std::numeric_limits<double>::min(),
                          std::numeric_limits<double>::max(),
                          -std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::quiet_NaN()};
  for (double Value : Cases) {
    TMemoryStream Stream;
    Stream.WriteExtended(Value);
    Stream.SetPosition(0);
    double Back = Stream.ReadExtended();
    EXPECT_EQ(std::bit_cast<std::uint64_t>(Back), std::bit_cast<std::uint64_t>(Value)) << Value;
  }
}

TEST(TStreamHelper, ExtendedValuesBeyondDoubleRoundToNearestEven) {
  auto Read = [](std::uint64_t AMantissa, std::uint16_t ASignExponent) {
    std::uint8_t Bytes[10];
    for (int I = 0; I < 8; ++I) Bytes[I] = static_cast<std::uint8_t>(AMantissa >> (8 * I));
    Bytes[8] = static_cast<std::uint8_t>(ASignExponent);
    Bytes[9] = static_cast<std::uint8_t>(ASignExponent >> 8);
    return ExtendedToDouble(Bytes);
  };
  const std::uint64_t One = std::uint64_t{1} << 63;
  EXPECT_EQ(Read(One | 0x400, 0x3FFF), 1.0);                             // half way, even stays
  EXPECT_EQ(Read(One | 0xC00, 0x3FFF), 1.0 + 2 * 0x1p-52);               // half way, odd rounds up
  EXPECT_EQ(Read(One | 0x401, 0x3FFF), 1.0 + 0x1p-52);                   // above half
  EXPECT_EQ(Read(~std::uint64_t{0}, 0x3FFF), 2.0);                       // carry into the exponent
  EXPECT_EQ(Read(One, 0x7FFE), std::numeric_limits<double>::infinity());  // too large
  EXPECT_EQ(Read(One, 0x3FFF - 1075), 0.0);                               // half the smallest: even is 0
  EXPECT_EQ(Read(One | 1, 0x3FFF - 1075), std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(Read(One, 1), 0.0);                                            // far below, 0
  EXPECT_TRUE(std::isnan(Read(One | 1, 0x7FFF)));                          // payload below double's keeps NaN
}

TEST(TStreamHelper, VariantsRoundTrip) {
  TVariant Matrix = TVariant::Array(varVariant, {{0, 1}, {1, 3}});
  Matrix.Element({0, 1}) = TVariant(std::int32_t{-1});
  Matrix.Element({0, 3}) = TVariant("текст");
  Matrix.Element({1, 2}) = TVariant(2.5);
  Matrix.Element({1, 3}) = TVariant::Null();
  TVariant Doubles = TVariant::Array(varDouble, {{-1, 0}});
  Doubles.Elements() = {TVariant(0.5), TVariant(-7.0)};
  const TVariant Cases[] = {TVariant(),
                            TVariant::Null(),
                            TVariant(std::int16_t{-300}),
                            TVariant(std::int32_t{-70000}),
                            TVariant(1.5f),
                            TVariant(1e300),
                            TVariant::Currency(123456),
                            TVariant::Date(45000.25),
                            TVariant("Корвел"),
                            TVariant::FromRaw(varError, 0x80004005),
                            TVariant(false),
                            TVariant(std::int8_t{-3}),
                            TVariant(std::uint8_t{200}),
                            TVariant(std::uint16_t{60000}),
                            TVariant(std::uint32_t{4000000000u}),
                            TVariant(std::int64_t{-5000000000}),
                            Matrix,
                            Doubles};
  for (const TVariant& Value : Cases) {
    TMemoryStream Stream;
    Stream.WriteVariant(Value);
    Stream.SetPosition(0);
    EXPECT_TRUE(Stream.ReadVariant() == Value) << "type " << Value.VarType();
    EXPECT_TRUE(Stream.EOS()) << "type " << Value.VarType();
  }
  TMemoryStream Stream;
  Stream.WriteVariant(TVariant::AnsiString("Смета"));
  Stream.SetPosition(0);
  TVariant Back = Stream.ReadVariant();
  EXPECT_EQ(Back.VarType(), varOleStr);
  EXPECT_EQ(Back.AsString(), "Смета");
}

TEST(TStreamHelper, UnsupportedVariantTypesAreRefusedBothWays) {
  const TVarType Refused[] = {varDispatch, varVariant, varUnknown, varByRef | varInteger, 0x0015, 0x0102};
  for (TVarType Type : Refused) {
    TMemoryStream Stream;
    try {
      Stream.WriteVariant(TVariant::FromRaw(Type, 0));
      ADD_FAILURE() << "type " << Type << " must be refused";
    } catch (const Exception& E) {
      EXPECT_EQ(E.Message(), Format("Unsupported variant type: %.4x", Type));
    }
    EXPECT_EQ(Stream.Size(), 0) << "nothing is written for a refused type";
    Stream.WriteInt32(Type);
    Stream.SetPosition(0);
    EXPECT_THROW(Stream.ReadVariant(), Exception) << Type;
  }
}

TEST(TStreamHelper, DamagedVariantArraysFailWithoutHugeAllocations) {
  TMemoryStream Stream;
  Stream.WriteInt32(varArray | varVariant);
  Stream.WriteInt32(2);
  Stream.WriteInt32(0);
  Stream.WriteInt32(0);
  Stream.WriteInt32(0x7FFFFFF0);
  Stream.WriteInt32(0x7FFFFFF0);
  Stream.SetPosition(0);
  EXPECT_THROW(Stream.ReadVariant(), EReadError);
}

TEST(TStreamHelper, WholeContentOperations) {
  TMemoryStream Stream;
  Stream.SetAsBytes({1, 2, 3, 4});
  Stream.SetPosition(1);
  EXPECT_EQ(Hex(Stream.GetAsBytes()), "01 02 03 04");
  EXPECT_EQ(Stream.Position(), 1);
  Stream.SkipBuffer(2);
  EXPECT_EQ(Stream.ReadByte(), 4);
  EXPECT_TRUE(Stream.EOS());

  TBytesStream Source(TBytes{9, 8, 7});
  Source.SetPosition(2);
  TStringStream Target("longer old content");
  Target.LoadFromStream(Source);
  EXPECT_EQ(Target.DataString(), "\x09\x08\x07");

  TMemoryStream SkipMe;
  SkipMe.WriteString("skip");
  SkipMe.WriteByte(5);
  SkipMe.SetPosition(0);
  SkipMe.SkipString();
  EXPECT_EQ(SkipMe.ReadByte(), 5);
}

TEST(TStreamHelper, ExtractBytesCutsToTheSize) {
  auto* Stream = new TBytesStream();
  Stream->WriteStringA("abc");
  EXPECT_GE(Stream->Bytes().size(), 7u);
  TBytes Bytes = ExtractBytes(Stream);
  EXPECT_EQ(Hex(Bytes), "03 00 00 00 61 62 63");
}

TEST(TStringsHelper, AddFormattedAndAddNameValue) {
  TStringList List;
  TObject Marker;
  List.SetNameValueSeparator(':');
  EXPECT_EQ(List.AddFormatted("%s-%d", {"a", 5}, &Marker), 0);
  EXPECT_EQ(List.AddNameValue("Регион", "77"), 1);
  EXPECT_EQ(List[0], "a-5");
  EXPECT_EQ(List.Objects(0), &Marker);
  EXPECT_EQ(List[1], "Регион:77");
  EXPECT_EQ(List.Values("Регион"), "77");
}

}  // namespace
}  // namespace Quellit
