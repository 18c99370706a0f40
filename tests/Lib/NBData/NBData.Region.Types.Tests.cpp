#include "Lib/NBData/NBData.Region.Types.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <set>
#include <unordered_set>
#include <vector>

#include "Lib/Common/Common.Format.h"

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
    EXPECT_EQ(MessageOf<NBData::EInvalidOpException>([&] { TNBRegionCode::FromInt(Bad); }),
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

}  // namespace
}  // namespace Quellit
