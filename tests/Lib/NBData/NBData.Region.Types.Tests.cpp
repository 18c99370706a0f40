#include "Lib/NBData/NBData.Region.Types.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <set>
#include <unordered_set>
#include <vector>

#include "Lib/Common/Common.Filer.h"
#include "Lib/Common/Common.Format.h"
#include "Lib/Common/Common.Streams.h"
#include "Support/RussianLocale.h"

namespace Quellit {
namespace {

using ::testing::HasSubstr;

TNBRegionCode MakeCode(std::int32_t ACode, TNBYear AYear) {
  TNBRegionCode Result;
  Result.Code = ACode;
  Result.Year = AYear;
  return Result;
}

// Runs AAction and answers the message of the exception of type E it raises ("" when none).
template <class E, class F>
std::string MessageOf(F AAction) {
  try {
    AAction();
  } catch (const E& Error) {
    return Error.Message();
  }
  return "";
}

TEST(TNBRegionCode, PartsMakeTheCodeAndComeBackOut) {
  struct TCase {
    std::int32_t Area, ID, Add, Code, District;
  } Cases[] = {
      {12, 3, 4, 12034, 34},
      {0, 0, 0, 0, 0},
      {99, 99, 9, 99999, 999},
      {140, 3, 4, 12034, 34},  // the area keeps its low 7 bits
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Code);
    TNBRegionCode Code;
    Code.SetCodeFromParts(C.Area, C.ID, C.Add);
    EXPECT_EQ(Code.Code, C.Code);
    EXPECT_EQ(TNBRegionCode::MakeIntCode(C.Area, C.ID, C.Add), C.Code);
    EXPECT_EQ(Code.AreaCode(), C.Area & 127);
    EXPECT_EQ(Code.ID(), C.ID);
    EXPECT_EQ(Code.AddCode(), C.Add);
    EXPECT_EQ(Code.District(), C.District);
  }
}

TEST(TNBRegionCode, PartsThatOverflowTheCodeAreRefused) {
  EXPECT_THROW(TNBRegionCode::MakeIntCode(0, std::numeric_limits<std::int32_t>::max(), 0), ERegionCodeError);
  EXPECT_THROW(TNBRegionCode::MakeIntCode(0, std::numeric_limits<std::int32_t>::min(), 0), ERegionCodeError);
}

TEST(TNBRegionCode, SetCodeAcceptsAtMostFiveCharacters) {
  TNBRegionCode Code = MakeCode(1, spl1984);
  Code.SetCode(99999);
  EXPECT_EQ(Code.Code, 99999);
  EXPECT_EQ(Code.Year, spl1984);  // the level is not the code's business
  Code.SetCode(-1234);
  EXPECT_EQ(Code.Code, -1234);
  EXPECT_EQ(MessageOf<ERegionCodeError>([&] { Code.SetCode(123456); }), "Некорректный код (123456) базы");
  EXPECT_EQ(MessageOf<ERegionCodeError>([&] { Code.SetCode(-12345); }), "Некорректный код (-12345) базы");
  EXPECT_EQ(Code.Code, -1234);
}

TEST(TNBRegionCode, DBCodeText) {
  struct TCase {
    std::int32_t Code;
    TNBYear Year;
    const char* Prefix;
    const char* Extention;
    const char* Expected;
  } Cases[] = {
      {12034, spl2001, "NB", "", "NB112034"},
      {12034, spl2001, "NB", "dat", "NB112034.dat"},
      {12034, spl2001, "NB", ".dat", "NB112034.dat"},
      {12034, spl2001, "NB", "  ", "NB112034"},
      {12034, spl1984, "", "", "412034"},
      {34, spl1984, "NB", "", "NB400034"},
      {12034, spl1991, "NB", "", "NB912034"},
      {12034, splNone, "NB", "", "NB 12034"},
      {12034, static_cast<TNBYear>(200), "NB", "", "NB 12034"},  // a level no base has
      {-1, spl2001, "NB", "dat", ""},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Expected);
    EXPECT_EQ(MakeCode(C.Code, C.Year).DBCode(C.Prefix, C.Extention), C.Expected);
  }
}

TEST(TNBRegionCode, SetDBCodeParsesTheTextForm) {
  struct TCase {
    const char* Text;
    TNBYear Year;
    std::int32_t Code;
  } Cases[] = {
      {"NB112034", spl2001, 12034},
      {"nb412034", spl1984, 12034},
      {"Nb412034", spl1984, 12034},
      {"nB412034", spl1984, 12034},
      {"412034", spl1984, 12034},
      {"1120345678", spl2001, 12034},  // only five digits are the code
      {"NB112034.dat", spl2001, 12034},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Text);
    TNBRegionCode Code;
    Code.SetDBCode(C.Text);
    EXPECT_EQ(Code.Year, C.Year);
    EXPECT_EQ(Code.Code, C.Code);
    EXPECT_TRUE(TNBRegionCode::FromString(C.Text).IsSame(Code));
  }
}

TEST(TNBRegionCode, SetDBCodeRefusesBadTexts) {
  struct TCase {
    const char* Text;
    const char* Message;
  } Cases[] = {
      {"", "Некорректный код () базы"},
      {"12034", "Некорректный код (12034) базы"},
      {"712034", "Некорректный код (712034) базы"},
      {"NB712034", "Некорректный код (712034) базы"},  // quoted without the prefix
      {"NBNB12034", "Некорректный код (NB12034) базы"},
      {"Б12345", "Некорректный код (Б12345) базы"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Text);
    EXPECT_EQ(MessageOf<ERegionCodeError>([&] { TNBRegionCode::FromString(C.Text); }), C.Message);
  }
  EXPECT_EQ(MessageOf<EConvertError>([] { TNBRegionCode::FromString("1ab034"); }),
            "'ab034' is not a valid integer value");
  EXPECT_THROW(TNBRegionCode::FromString("NB1-ПП34"), EConvertError);
}

TEST(TNBRegionCode, IntegerForms) {
  struct TCase {
    std::int32_t Code;
    TNBYear Year;
    std::int32_t Int;
  } Cases[] = {
      {12034, spl1984, 412034},
      {12034, spl2001, 112034},
      {0, spl2001, 100000},
      {12034, splNone, -1},
      {-5, spl2001, -1},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Int);
    TNBRegionCode Code = MakeCode(C.Code, C.Year);
    EXPECT_EQ(Code.ToInt(), C.Int);
    if (C.Int >= 0) {
      EXPECT_EQ(Code.IntDBCode(), C.Int);
      EXPECT_TRUE(TNBRegionCode::FromInt(C.Int).IsSame(Code));
    }
  }
  // Without checks: the level's base, nothing for a level without integer form.
  EXPECT_EQ(MakeCode(12034, splNone).IntDBCode(), 12034);
  EXPECT_EQ(MakeCode(12034, spl1991).IntDBCode(), 12034);
}

TEST(TNBRegionCode, FromIntRefusesOtherLevels) {
  for (std::int32_t Bad : {212034, 12034, 912034, -112034, 1000000}) {
    SCOPED_TRACE(Bad);
    EXPECT_EQ(MessageOf<EInvalidOpException>([&] { TNBRegionCode::FromInt(Bad); }),
              Format("Invalid region code (%d)", Bad));
  }
}

TEST(TNBRegionCode, StreamCodeKind) {
  EXPECT_EQ(MakeCode(12034, spl1984).GetKVDCodeKind(), sckCompressOnly);
  EXPECT_EQ(MakeCode(0, spl1984).GetKVDCodeKind(), sckCompressOnly);
  EXPECT_EQ(MakeCode(0, spl2001).GetKVDCodeKind(), sckGESN);
  EXPECT_EQ(MakeCode(12034, spl2001).GetKVDCodeKind(), sckTER);
  for (TNBYear Level : {splNone, spl1991}) {
    std::string Message = MessageOf<EAssertionFailed>([&] { MakeCode(12034, Level).GetKVDCodeKind(); });
    EXPECT_THAT(Message, HasSubstr(Format("Неожиданный уровень цен (%d) у кода региона 12034", static_cast<int>(Level))));
    EXPECT_THAT(Message, HasSubstr("Lib/NBData/NBData.Region.Types"));
  }
}

TEST(TNBRegionCode, DefaultsDerivedFromTheCode) {
  struct TCase {
    std::int32_t Code;
    TNBYear Year;
    std::uint16_t DefaultYear;
    bool MTSN;
    const char* OpenMask;
    const char* Comment;
  } Cases[] = {
      {8000, spl2001, 1998, true, "08???", "База 1998г."},
      {7010, spl2001, 1998, true, "0701?", "База 1998г."},
      {9990, spl2001, 1998, true, "0999?", "База 1998г."},
      {3000, spl2001, 2001, true, "03???", "База 2001г."},
      {10000, spl2001, 2001, false, "10???", "База 2001г."},
      {8000, spl1984, 1984, true, "08???", "База 1984г."},
      {12034, spl2001, 2001, false, "1203?", "База 2001г."},
      {12004, spl2001, 2001, false, "12???", "База 2001г."},
      {12034, splNone, 0, false, "1203?", "База 0г."},
      {12034, spl1991, 0, false, "1203?", "База 0г."},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Code);
    TNBRegionCode Code = MakeCode(C.Code, C.Year);
    EXPECT_EQ(Code.DefaultYearValue(), C.DefaultYear);
    EXPECT_EQ(Code.IsMTSNCode(), C.MTSN);
    EXPECT_EQ(Code.DefaultOpenMask(), C.OpenMask);
    EXPECT_EQ(Code.DefaultComment(), C.Comment);
    EXPECT_EQ(Code.DefaultRootName(), C.Comment);
  }
  EXPECT_EQ(MakeCode(12034, spl2001).DefaultTitle(), "База (код 112034)");
  EXPECT_EQ(MakeCode(12034, splNone).DefaultTitle(), "База (код -1)");
}

TEST(TNBRegionCode, LevelTexts) {
  EXPECT_EQ(TNBRegionCode::PriceLeveledBaseCaption(spl1984), "База 1984г.");
  EXPECT_EQ(TNBRegionCode::PriceLeveledBaseCaption(spl2001), "База 2001г.");
  EXPECT_EQ(PriceLevelYearText(spl1991), "1991");
  EXPECT_EQ(PriceLevelYearText(splNone), "");
  EXPECT_EQ(PriceLevelDigit(spl1991), "9");
  EXPECT_EQ(PriceLevelYearText(static_cast<TVeskaPriceLevel>(255)), "");
  EXPECT_EQ(PublisherName(nbpTrade), "Отраслевой");
  EXPECT_EQ(PublisherName(static_cast<TNBPublisher>(5)), "Неизвестен");
}

TEST(TNBRegionCode, EqualityIsByIntegerForm) {
  // Unset codes are equal whatever their digits; IsSame still tells them apart.
  EXPECT_TRUE(MakeCode(1, splNone) == MakeCode(2, splNone));
  EXPECT_FALSE(MakeCode(1, splNone).IsSame(MakeCode(2, splNone)));
  EXPECT_FALSE(MakeCode(12034, spl1984) == MakeCode(12034, spl2001));
  EXPECT_TRUE(MakeCode(-1, spl2001) == MakeCode(5, splNone));

  const auto& Equality = TNBRegionCode::EqualityComparer();
  EXPECT_EQ(&Equality, &TNBRegionCode::EqualityComparer());
  EXPECT_TRUE(Equality.Equals(MakeCode(1, splNone), MakeCode(2, splNone)));
  EXPECT_EQ(Equality.GetHashCode(MakeCode(12034, spl1984)), 412034);
  std::unordered_set<TNBRegionCode, TNBRegionCode::TEqualityComparer, TNBRegionCode::TEqualityComparer> Set = {
      MakeCode(12034, spl1984), MakeCode(12034, spl2001), MakeCode(1, splNone), MakeCode(2, splNone)};
  EXPECT_EQ(Set.size(), 3u);
}

TEST(TNBRegionCode, ComparerOrdersByIntegerForm) {
  const auto& Comparer = TNBRegionCode::Comparer();
  EXPECT_EQ(&Comparer, &TNBRegionCode::Comparer());
  EXPECT_EQ(Comparer.Compare(MakeCode(12034, spl1984), MakeCode(12034, spl2001)), 300000);
  EXPECT_EQ(Comparer.Compare(MakeCode(5, spl2001), MakeCode(5, spl2001)), 0);
  // Codes at the ends of the range keep the sign of their difference.
  const TNBRegionCode Huge = MakeCode(std::numeric_limits<std::int32_t>::max() - 400000, spl1984);
  EXPECT_GT(Comparer.Compare(Huge, MakeCode(1, splNone)), 0);
  EXPECT_LT(Comparer.Compare(MakeCode(1, splNone), Huge), 0);

  std::vector<TNBRegionCode> Codes = {MakeCode(12034, spl1984), MakeCode(1, splNone), MakeCode(12034, spl2001)};
  std::sort(Codes.begin(), Codes.end(), Comparer);
  EXPECT_EQ(Codes[0].ToInt(), -1);
  EXPECT_EQ(Codes[1].ToInt(), 112034);
  EXPECT_EQ(Codes[2].ToInt(), 412034);
}

// ---- descriptors -------------------------------------------------------------------------------

TNB_InfoStruct SampleInfo() {
  TNB_InfoStruct Info;
  Info.FComment = "Сборник 2021";
  Info.SysVersion = 3;
  Info.Code.SetCodeFromParts(12, 3, 4);
  Info.Code.Year = spl2001;
  Info.RegionName = "Москва";
  Info.CreationDate = EncodeDate(2021, 3, 15);
  Info.Creator = "Центр";
  Info.Publidher = nbpTerritorial;
  Info.DistrictName = "Центральный";
  Info.DistrictSign = "ЦФО";
  Info.OpenMask = "1203?";
  Info.RootName = "Корень";
  Info.Year = 2021;
  Info.ReleaseNumber = 70000;
  Info.CRC32 = 0xA1B2C3D4;
  return Info;
}

// The descriptor written row by row, ending after ATails of its four optional tails: an oracle
// independent of SaveToStream, and the only way to make the shorter forms older writers left.
std::string DescriptorBytes(const TNB_InfoStruct& AInfo, int ATails) {
  TStringStream Stream;
  TKvFiler Filer(&Stream, false);
  Filer.Write_Byte(241);
  Filer.Write_Byte(AInfo.SysVersion);
  Filer.Write_Byte(static_cast<std::uint8_t>(AInfo.Code.AreaCode()));
  Filer.WriteInt32(AInfo.Code.ID());
  Filer.Write_Byte(static_cast<std::uint8_t>(AInfo.Code.AddCode()));
  Filer.WriteString(AInfo.RegionName);
  Filer.Write_Byte(AInfo.Code.Year);
  Filer.WriteDbl64(AInfo.CreationDate);
  Filer.WriteString(AInfo.Creator);
  Filer.WriteString(AInfo.FComment);
  if (ATails >= 1) {
    Filer.WriteString(AInfo.DistrictName);
    Filer.WriteString(AInfo.DistrictSign);
    Filer.Write_Byte(AInfo.Publidher);
  }
  if (ATails >= 2) {
    Filer.WriteString(AInfo.OpenMask);
    Filer.WriteString(AInfo.RootName);
    Filer.WriteInt16(static_cast<std::int16_t>(AInfo.Year));
  }
  if (ATails >= 3) Filer.WriteInt32(static_cast<std::int32_t>(AInfo.ReleaseNumber));
  if (ATails >= 4) Filer.WriteInt32(static_cast<std::int32_t>(AInfo.CRC32));
  return Stream.DataString();
}

TNB_InfoStruct Load(const std::string& ABytes) {
  TStringStream Stream(ABytes);
  TNB_InfoStruct Info;
  Info.LoadFromStream(Stream);
  return Info;
}

std::string Save(const TNB_InfoStruct& AInfo) {
  TStringStream Stream;
  AInfo.SaveToStream(Stream);
  return Stream.DataString();
}

void ExpectSameInfo(const TNB_InfoStruct& A, const TNB_InfoStruct& B) {
  EXPECT_EQ(A.FComment, B.FComment);
  EXPECT_EQ(A.SysVersion, B.SysVersion);
  EXPECT_TRUE(A.Code.IsSame(B.Code));
  EXPECT_EQ(A.RegionName, B.RegionName);
  EXPECT_EQ(A.CreationDate, B.CreationDate);
  EXPECT_EQ(A.Creator, B.Creator);
  EXPECT_EQ(A.Publidher, B.Publidher);
  EXPECT_EQ(A.DistrictName, B.DistrictName);
  EXPECT_EQ(A.DistrictSign, B.DistrictSign);
  EXPECT_EQ(A.OpenMask, B.OpenMask);
  EXPECT_EQ(A.RootName, B.RootName);
  EXPECT_EQ(A.Year, B.Year);
  EXPECT_EQ(A.ReleaseNumber, B.ReleaseNumber);
  EXPECT_EQ(A.CRC32, B.CRC32);
}

TEST(TNB_InfoStruct, SaveWritesEveryRowAndLoadReadsThemBack) {
  const TNB_InfoStruct Info = SampleInfo();
  const std::string Bytes = Save(Info);
  EXPECT_EQ(Bytes, DescriptorBytes(Info, 4));
  // Signature, version, area, ID, additional code, then the region name in Windows-1251.
  EXPECT_EQ(Bytes.substr(0, 16), std::string("\xF1\x03\x0C\x03\x00\x00\x00\x04\x06\x06\xCC\xEE\xF1\xEA\xE2\xE0", 16));
  EXPECT_EQ(Bytes.substr(Bytes.size() - 4), "\xD4\xC3\xB2\xA1");  // the checksum, little-endian

  const TNB_InfoStruct Loaded = Load(Bytes);
  ExpectSameInfo(Loaded, Info);
  EXPECT_TRUE(Loaded.HasCrc32);
}

TEST(TNB_InfoStruct, BlankCommentIsSavedAsTheDefaultOne) {
  TNB_InfoStruct Info = SampleInfo();
  Info.FComment = "  ";
  EXPECT_EQ(Load(Save(Info)).FComment, "База 2001г.");
  Info.Code.SetCodeFromParts(8, 0, 0);
  EXPECT_EQ(Load(Save(Info)).FComment, "База 1998г.");
}

TEST(TNB_InfoStruct, OptionalTailsMayBeAbsent) {
  TNB_InfoStruct Blank = SampleInfo();  // a tail B with nothing in it takes the defaults too
  Blank.OpenMask = "";
  Blank.RootName = " ";
  Blank.Year = 0;
  struct TCase {
    const TNB_InfoStruct Info;
    int Tails;
    const char* DistrictName;
    TNBPublisher Publisher;
    const char* OpenMask;
    const char* RootName;
    std::uint16_t Year;
    std::uint32_t Release;
    bool HasCrc32;
    std::uint32_t Crc;
  } Cases[] = {
      {SampleInfo(), 0, "", nbpUnknown, "1203?", "База 2001г.", 2001, 0, false, 0},
      {SampleInfo(), 1, "Центральный", nbpTerritorial, "1203?", "База 2001г.", 2001, 0, false, 0},
      {SampleInfo(), 2, "Центральный", nbpTerritorial, "1203?", "Корень", 2021, 0, false, 0},
      {SampleInfo(), 3, "Центральный", nbpTerritorial, "1203?", "Корень", 2021, 70000, false, 0},
      {SampleInfo(), 4, "Центральный", nbpTerritorial, "1203?", "Корень", 2021, 70000, true, 0xA1B2C3D4},
      {Blank, 2, "Центральный", nbpTerritorial, "1203?", "База 2001г.", 2001, 0, false, 0},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Tails);
    const TNB_InfoStruct Loaded = Load(DescriptorBytes(C.Info, C.Tails));
    EXPECT_EQ(Loaded.RegionName, "Москва");
    EXPECT_EQ(Loaded.FComment, "Сборник 2021");
    EXPECT_EQ(Loaded.Code.ToInt(), 112034);
    EXPECT_EQ(Loaded.DistrictName, C.DistrictName);
    EXPECT_EQ(Loaded.DistrictSign, C.Tails >= 1 ? "ЦФО" : "");
    EXPECT_EQ(Loaded.Publidher, C.Publisher);
    EXPECT_EQ(Loaded.OpenMask, C.OpenMask);
    EXPECT_EQ(Loaded.RootName, C.RootName);
    EXPECT_EQ(Loaded.Year, C.Year);
    EXPECT_EQ(Loaded.ReleaseNumber, C.Release);
    EXPECT_EQ(Loaded.HasCrc32, C.HasCrc32);
    EXPECT_EQ(Loaded.CRC32, C.Crc);
  }
}

TEST(TNB_InfoStruct, AShortDescriptorSavedAgainCarriesAZeroChecksum) {
  const TNB_InfoStruct Short = Load(DescriptorBytes(SampleInfo(), 0));
  const TNB_InfoStruct Again = Load(Save(Short));
  EXPECT_TRUE(Again.HasCrc32);
  EXPECT_EQ(Again.CRC32, 0u);
  ExpectSameInfo(Again, Short);
}

TEST(TNB_InfoStruct, LoadingForgetsWhatWasThere) {
  TNB_InfoStruct Info = SampleInfo();
  Info.HasCrc32 = true;
  TStringStream Stream(DescriptorBytes(SampleInfo(), 0));
  Info.LoadFromStream(Stream);
  EXPECT_EQ(Info.DistrictName, "");
  EXPECT_EQ(Info.Publidher, nbpUnknown);
  EXPECT_FALSE(Info.HasCrc32);
  EXPECT_EQ(Info.CRC32, 0u);
}

TEST(TNB_InfoStruct, LoadingStartsAtTheStreamPosition) {
  TStringStream Stream("prefix" + Save(SampleInfo()));
  Stream.SetPosition(6);
  TNB_InfoStruct Info;
  Info.LoadFromStream(Stream);
  ExpectSameInfo(Info, SampleInfo());
}

// Only the ends of the tails are places where a descriptor may end; a cut anywhere else is the
// stream's read error, never a half-read descriptor.
TEST(TNB_InfoStruct, EveryCutInsideARowIsAReadError) {
  const TNB_InfoStruct Info = SampleInfo();
  const std::string Full = DescriptorBytes(Info, 4);
  std::set<std::size_t> Ends;
  for (int Tails = 0; Tails <= 4; ++Tails) Ends.insert(DescriptorBytes(Info, Tails).size());
  for (std::size_t Length = 0; Length <= Full.size(); ++Length) {
    SCOPED_TRACE(Length);
    if (Ends.count(Length)) {
      EXPECT_NO_THROW(Load(Full.substr(0, Length)));
    } else {
      EXPECT_THAT(MessageOf<EReadError>([&] { Load(Full.substr(0, Length)); }), HasSubstr("Stream read error"));
    }
  }
}

TEST(TNB_InfoStruct, DamagedDescriptorsAreRefused) {
  std::string WrongSignature = Save(SampleInfo());
  WrongSignature[0] = '\xF0';
  EXPECT_EQ(MessageOf<EOrvantFilerInvalidSignature>([&] { Load(WrongSignature); }), "Неверный формат данных в потоке");

  // Region name with an unknown tag, then with a length far past the end of the stream.
  const std::string Head("\xF1\x03\x0C\x03\x00\x00\x00\x04", 8);
  EXPECT_EQ(MessageOf<EOrvantFilerError>([&] { Load(Head + "\x05" + "abc"); }), "Неверный формат данных в потоке");
  EXPECT_THAT(MessageOf<EReadError>([&] { Load(Head + "\x08\xFF\xFF\xFF\xFF" + "abc"); }), HasSubstr("Stream read error"));
  EXPECT_THAT(MessageOf<EReadError>([&] { Load(Head + "\x0D\xFF\xFF\xFF\x7F" + "abc"); }), HasSubstr("Stream read error"));

  // An ID that no region has and that would overflow the code.
  std::string HugeID = Save(SampleInfo());
  HugeID.replace(3, 4, "\xFF\xFF\xFF\x7F");
  EXPECT_EQ(MessageOf<EOrvantFilerError>([&] { Load(HugeID); }), "Неверный формат данных в потоке");
}

TEST(TNB_InfoStruct, UTF16StringsAreReadToo) {
  TStringStream Stream;
  {
    TKvFiler Filer(&Stream, false);
    Filer.Write_Byte(241);
    Filer.Write_Byte(1);
    Filer.Write_Byte(12);
    Filer.WriteInt32(3);
    Filer.Write_Byte(4);
    Filer.WriteStringW("Регион ✓");
    Filer.Write_Byte(spl1984);
    Filer.WriteDbl64(0);
    Filer.WriteStringW("");
    Filer.WriteStringW("Комментарий");
  }
  const TNB_InfoStruct Info = Load(Stream.DataString());
  EXPECT_EQ(Info.RegionName, "Регион ✓");
  EXPECT_EQ(Info.FComment, "Комментарий");
  EXPECT_EQ(Info.Code.ToInt(), 412034);
}

class TNB_InfoStructProps : public Testing::TRussianLocaleTest {};

TEST_F(TNB_InfoStructProps, NameValueLines) {
  auto Props = SampleInfo().GetPropsStrings();
  ASSERT_EQ(Props->Count(), 7);
  EXPECT_EQ(Props->Text(),
            "Версия базы=70000\r\nРегион=Москва\r\nКод базы=NB112034\r\nИздатель=Территориальный\r\n"
            "Дата создания=15.03.2021\r\nТип базы=2001 года\r\nОкруг=Центральный\r\n");
}

// Values a damaged descriptor can carry are shown, never used as indexes or dates.
TEST_F(TNB_InfoStructProps, OutOfRangeValuesAreShownSafely) {
  std::string Bytes = Save(SampleInfo());
  const std::size_t LevelAt = 16;  // after the region name "Москва"
  Bytes[LevelAt] = '\xC8';
  const double NaN = std::numeric_limits<double>::quiet_NaN();
  Bytes.replace(LevelAt + 1, 8, std::string(reinterpret_cast<const char*>(&NaN), 8));
  const std::size_t PublisherAt = DescriptorBytes(SampleInfo(), 1).size() - 1;
  Bytes[PublisherAt] = '\x09';

  const TNB_InfoStruct Info = Load(Bytes);
  EXPECT_EQ(static_cast<int>(Info.Code.Year), 200);
  EXPECT_EQ(Info.Code.ToInt(), 12034);
  auto Props = Info.GetPropsStrings();
  EXPECT_EQ(Props->Values("Код базы"), "NB 12034");
  EXPECT_EQ(Props->Values("Издатель"), "Неизвестен");
  EXPECT_EQ(Props->Values("Дата создания"), "");
  EXPECT_EQ(Props->Values("Тип базы"), " года");
}

TEST_F(TNB_InfoStructProps, BaseDateText) {
  struct TCase {
    double Value;
    const char* Text;
  } Cases[] = {
      {EncodeDate(2021, 3, 15), "15.03.2021"},
      {EncodeDate(2021, 3, 15) + 0.75, "15.03.2021"},
      {0, "30.12.1899"},
      {EncodeDate(1, 1, 1), Testing::PerTextBackend("01.01.1", "01.01.0001")},  // the system's picture has "yyyy"
      {EncodeDate(9999, 12, 31), "31.12.9999"},
      {EncodeDate(1, 1, 1) - 1, ""},
      {EncodeDate(9999, 12, 31) + 1, ""},
      {1e300, ""},
      {-1e300, ""},
      {std::numeric_limits<double>::quiet_NaN(), ""},
      {std::numeric_limits<double>::infinity(), ""},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Value);
    EXPECT_EQ(BaseDateToStr(C.Value), C.Text);
  }
}

}  // namespace
}  // namespace Quellit
