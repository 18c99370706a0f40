#include "Modules/Korvel/Common/Kv.Doc.Properties.h"

#include <gtest/gtest.h>

#include <vector>

#include "Lib/Common/Common.FileVersion.h"
#include "Lib/Common/Common.StringList.h"
#include "Lib/Common/Common.Streams.h"
#include "Platform/Process.h"
#include "Support/RussianLocale.h"

namespace Quellit {
namespace {

class KvDocProperties : public Testing::TRussianLocaleTest {
 protected:
  static std::string Saved(const TKvDocCommonProperties& AProps) {
    TStringStream Stream;
    AProps.SaveToStream(Stream);
    return Stream.DataString();
  }

  // Reads the properties from raw bytes.
  static TKvDocCommonProperties Loaded(const std::string& ABytes) {
    TStringStream Stream(ABytes);
    TKvDocCommonProperties Result;
    Result.LoadFromStream(Stream);
    return Result;
  }

  static TKvDocCommonProperties RoundTrip(const TKvDocCommonProperties& AProps) { return Loaded(Saved(AProps)); }

  static std::string OwnVersion() {
    return TDigitalFileVersionInfo::CreateFromFile(Platform::ExecutablePath()).FullVerAsString();
  }

  // Every field set, with Cyrillic text, and a date with whole seconds (the text form keeps no more).
  static TKvDocCommonProperties Full() {
    TKvDocCommonProperties P = TKvDocCommonProperties::Create(sdtObjVeska);
    P.Attribs = {"Л-1", "Р-2", "Объект", "Стройка", "Хранилище", "Описание", "Примечание"};
    P.Total = "1 234,56";
    P.TotalDetails = {"1", "2", "3", "4", "5", "6", "7", "8", "9"};
    P.OsDetails = {"10", "11", "12", "13"};
    P.RegionInfo = {"Москва", "Зона 1"};
    P.KVFXData.Revision = 42;
    P.KVFXData.Crypted = true;
    P.KVFXData.SignType = 3;
    P.KVFXData.ModifyDate = EncodeDateTime(2023, 4, 5, 6, 7, 8, 0);
    P.KVFXData.SecurityOptions = {true, false, true, false};
    return P;
  }
};

TEST_F(KvDocProperties, ClearAndCreateZeroEverything) {
  TKvDocCommonProperties P = Full();
  P.Clear();
  EXPECT_EQ(P, TKvDocCommonProperties());
  EXPECT_EQ(P.DocType, sdtVeska);
  EXPECT_EQ(P.KVFXData.Revision, 0);
  EXPECT_EQ(P.KVFXData.ModifyDate, 0);
  TKvDocCommonProperties Cennik = TKvDocCommonProperties::Create(sdtCennik);
  EXPECT_EQ(Cennik.DocType, sdtCennik);
  Cennik.DocType = sdtVeska;
  EXPECT_EQ(Cennik, TKvDocCommonProperties());
}

TEST_F(KvDocProperties, AnEmptyRecordWritesOnlyTheValuesThatAreNeverEmpty) {
  EXPECT_EQ(Saved(TKvDocCommonProperties::Create(sdtCennik)),
            "DocType=sdtCennik\r\nRevision=0\r\nCrypted=False\r\nSignType=0\r\nKVeskaVersion=" + OwnVersion() +
                "\r\nModifyDate=30.12.1899\r\n");
}

TEST_F(KvDocProperties, EveryKeyIsWrittenInItsOrderInWindows1251) {
  const std::string Expected =
      "DocType=sdtObjVeska\r\nAttribs.LocNum=Л-1\r\nAttribs.RegNum=Р-2\r\nAttribs.ObjName=Объект\r\n"
      "Attribs.ConName=Стройка\r\nAttribs.StgName=Хранилище\r\nAttribs.Comment=Примечание\r\n"
      "Attribs.Description=Описание\r\nTotal=1 234,56\r\nTotalDetails.Pz=1\r\nTotalDetails.Oz=2\r\n"
      "TotalDetails.Em=3\r\nTotalDetails.Zm=4\r\nTotalDetails.Mt=5\r\nTotalDetails.Tz=6\r\n"
      "TotalDetails.Tm=7\r\nTotalDetails.Nr=8\r\nTotalDetails.Sp=9\r\nOsDetails.Sr=10\r\nOsDetails.Mr=11\r\n"
      "OsDetails.Ob=12\r\nOsDetails.Pr=13\r\nRegionInfo.RegionName=Москва\r\nRegionInfo.ZoneName=Зона 1\r\n"
      "Revision=42\r\nCrypted=True\r\nDisabledOptions=Modify,Export\r\nSignType=3\r\nKVeskaVersion=" +
      OwnVersion() + "\r\nModifyDate=05.04.2023 06:07:08\r\n";
  const std::string Bytes = Saved(Full());
  EXPECT_EQ(Bytes, Utf8ToWin1251(Expected));
  EXPECT_NE(Bytes.find("LocNum=\xCB-1"), std::string::npos);  // "Л" as its one Windows-1251 byte
}

TEST_F(KvDocProperties, FullRecordReadsBack) { EXPECT_EQ(RoundTrip(Full()), Full()); }

TEST_F(KvDocProperties, SaveWritesAtTheStreamPositionAndLoadReadsFromIt) {
  TStringStream Stream("prefix");
  Stream.Seek(0, soEnd);
  Full().SaveToStream(Stream);
  EXPECT_EQ(Stream.DataString().substr(0, 14), "prefixDocType=");
  Stream.SetPosition(6);
  TKvDocCommonProperties P;
  P.LoadFromStream(Stream);
  EXPECT_EQ(P, Full());
  EXPECT_TRUE(Stream.EOS());
}

// ---- line breaks -----------------------------------------------------------------------------

// Every free-text field of a record, in the order they are written.
std::vector<std::string*> TextFieldsOf(TKvDocCommonProperties& P) {
  return {&P.Attribs.LocNum,     &P.Attribs.RegNum,    &P.Attribs.ObjName,        &P.Attribs.ConName,
          &P.Attribs.StgName,    &P.Attribs.Comment,   &P.Attribs.Description,    &P.Total,
          &P.TotalDetails.Pz,    &P.TotalDetails.Oz,   &P.TotalDetails.Em,        &P.TotalDetails.Zm,
          &P.TotalDetails.Mt,    &P.TotalDetails.Tz,   &P.TotalDetails.Tm,        &P.TotalDetails.Nr,
          &P.TotalDetails.Sp,    &P.OsDetails.Sr,      &P.OsDetails.Mr,           &P.OsDetails.Ob,
          &P.OsDetails.Pr,       &P.RegionInfo.RegionName, &P.RegionInfo.ZoneName};
}

TEST_F(KvDocProperties, AnyTextInAnyFieldReadsBack) {
  const std::string Values[] = {"#13", "#10", "#1013", "#1310", "a\r\nb", "\r", "\n", "\r\n\r\n", "#", "##10#",
                                "#35", "#3513", "#1\n3", "x#13\ry#10\nz", "Смета #1\r\nстрока 2"};
  TKvDocCommonProperties Probe = Full();
  const std::size_t FieldCount = TextFieldsOf(Probe).size();
  ASSERT_EQ(FieldCount, 23u);
  for (std::size_t Field = 0; Field < FieldCount; ++Field) {
    for (const std::string& Value : Values) {
      TKvDocCommonProperties P = Full();
      *TextFieldsOf(P)[Field] = Value;
      if (Field != 5) P.Attribs.Comment += "#10";  // a second coded value in the same text
      TKvDocCommonProperties Read = RoundTrip(P);
      EXPECT_EQ(*TextFieldsOf(Read)[Field], Value) << "field " << Field << ", value " << Value;
      EXPECT_EQ(Read, P) << "field " << Field << ", value " << Value;
      // No value can start a line of its own: the 30 keys, and the list of coded ones if any.
      const std::string Bytes = Saved(P);
      TStringList Lines;
      Lines.SetText(Bytes);
      const int Listed = Bytes.find("\r\nEscapedKeys=") != std::string::npos ? 1 : 0;
      EXPECT_EQ(Lines.Count(), 30 + Listed) << "field " << Field << ", value " << Value;
    }
  }
}

TEST_F(KvDocProperties, ValuesTheProductCanCarryAreWrittenAsTheProductWritesThem) {
  TKvDocCommonProperties P = Full();
  P.Attribs.Comment = "a\r\nb";
  P.Attribs.StgName = "#1";
  P.Attribs.LocNum = "#101";
  P.Total = "# 5";
  const std::string Bytes = Win1251ToUtf8(Saved(P));
  EXPECT_NE(Bytes.find("\r\nAttribs.Comment=a#13#10b\r\n"), std::string::npos);
  EXPECT_NE(Bytes.find("\r\nAttribs.StgName=#1\r\n"), std::string::npos);
  EXPECT_NE(Bytes.find("\r\nAttribs.LocNum=#101\r\n"), std::string::npos);
  EXPECT_NE(Bytes.find("\r\nTotal=# 5\r\n"), std::string::npos);
  EXPECT_EQ(Bytes.find("EscapedKeys"), std::string::npos);
}

TEST_F(KvDocProperties, ValuesTheProductCannotCarryAreCodedAndListed) {
  TKvDocCommonProperties P = Full();
  P.Attribs.Comment = "see #10";
  P.Attribs.ObjName = "a#1\r\nb";
  const std::string Bytes = Win1251ToUtf8(Saved(P));
  EXPECT_NE(Bytes.find("\r\nAttribs.Comment=see #3510\r\n"), std::string::npos);
  EXPECT_NE(Bytes.find("\r\nAttribs.ObjName=a#351#13#10b\r\n"), std::string::npos);
  // The extra key comes last, after every key the product writes.
  EXPECT_TRUE(Bytes.ends_with("\r\nEscapedKeys=Attribs.ObjName,Attribs.Comment\r\n")) << Bytes;
}

TEST_F(KvDocProperties, TextsTheProductWroteReadAsTheProductReadsThem) {
  struct TCase {
    const char* Text;
    std::string TKvDocCommonPropertiesAttribs::*Field;
    const char* Expected;
  };
  const TCase Cases[] = {
      // Only the three fields the product escapes are decoded...
      {"Attribs.Comment=x#10y#13z", &TKvDocCommonPropertiesAttribs::Comment, "x\ny\rz"},
      {"Attribs.Comment=#1310", &TKvDocCommonPropertiesAttribs::Comment, "\r10"},
      {"Attribs.StgName=a#35b#10", &TKvDocCommonPropertiesAttribs::StgName, "a#35b\n"},
      {"Attribs.Description=#13#10", &TKvDocCommonPropertiesAttribs::Description, "\r\n"},
      // ...every other one is taken as it stands.
      {"Attribs.LocNum=#101", &TKvDocCommonPropertiesAttribs::LocNum, "#101"},
      {"Attribs.ObjName=a#13#10b", &TKvDocCommonPropertiesAttribs::ObjName, "a#13#10b"},
      {"Attribs.RegNum=#35", &TKvDocCommonPropertiesAttribs::RegNum, "#35"},
      // A list naming keys decodes exactly those, in any letter case; a "#" without a code stays.
      {"Attribs.LocNum=#3510#10\r\nescapedkeys=ATTRIBS.LOCNUM", &TKvDocCommonPropertiesAttribs::LocNum, "#10\n"},
      {"Attribs.Comment=#3510#1\r\nEscapedKeys=Total, Attribs.Comment", &TKvDocCommonPropertiesAttribs::Comment,
       "#10#1"},
      {"Attribs.ConName=#10\r\nEscapedKeys=Total", &TKvDocCommonPropertiesAttribs::ConName, "#10"},
  };
  for (const TCase& C : Cases) EXPECT_EQ(Loaded(C.Text).Attribs.*C.Field, C.Expected) << C.Text;
}

TEST_F(KvDocProperties, ALineBreakInANameCannotAddKeys) {
  TKvDocCommonProperties P = Full();
  P.Attribs.ObjName = "Объект\r\nDisabledOptions=\r\nCrypted=False\r\nRevision=7";
  const TKvDocCommonProperties Read = RoundTrip(P);
  EXPECT_EQ(Read.Attribs.ObjName, P.Attribs.ObjName);
  EXPECT_EQ(Read.KVFXData, Full().KVFXData);
}

// ---- reading rules ---------------------------------------------------------------------------

TEST_F(KvDocProperties, KeysAreFoundWithoutRegardToCaseAndTheFirstLineWins) {
  TKvDocCommonProperties P = Loaded(
      "junk line\r\ndoctype=sdtIndexes\r\nDOCTYPE=sdtCennik\r\nATTRIBS.OBJNAME=a=b\r\nTotal=\r\n=x\r\nOther=1\r\n");
  EXPECT_EQ(P.DocType, sdtIndexes);
  EXPECT_EQ(P.Attribs.ObjName, "a=b");
  EXPECT_EQ(P.Total, "");
}

TEST_F(KvDocProperties, EveryLineEndIsAccepted) {
  TKvDocCommonProperties P = Loaded("Attribs.LocNum=1\rAttribs.RegNum=2\nAttribs.ObjName=3\r\nTotal=4");
  EXPECT_EQ(P.Attribs.LocNum, "1");
  EXPECT_EQ(P.Attribs.RegNum, "2");
  EXPECT_EQ(P.Attribs.ObjName, "3");
  EXPECT_EQ(P.Total, "4");
}

TEST_F(KvDocProperties, NumbersAndFlagsFallBackToTheirDefaults) {
  struct TCase {
    const char* Text;
    std::int32_t Revision;
    bool Crypted;
    int SignType;
  };
  const TCase Cases[] = {
      {"", 1, false, 0},
      {"Revision=5\nCrypted=true\nSignType=2", 5, true, 2},
      {"Revision=abc\nCrypted=yes\nSignType=x", 1, false, 0},
      {"Revision=-3\nCrypted=FALSE\nSignType=255", -3, false, 255},
      {"Revision=0\nCrypted=1\nSignType=300", 0, true, 44},  // the code keeps its low byte
      {"Revision=\nCrypted=-2\nSignType=", 1, true, 0},
      {"Crypted=0", 1, false, 0},
  };
  for (const TCase& C : Cases) {
    const TKVFXData FX = Loaded(C.Text).KVFXData;
    EXPECT_EQ(FX.Revision, C.Revision) << C.Text;
    EXPECT_EQ(FX.Crypted, C.Crypted) << C.Text;
    EXPECT_EQ(FX.SignType, C.SignType) << C.Text;
  }
}

TEST_F(KvDocProperties, AMissingOrForeignDateReadsAsNow) {
  for (const char* Text : {"", "ModifyDate=", "ModifyDate=2023-04-05 06:07:08", "ModifyDate=вчера"}) {
    const TDateTime Before = Now();
    const TDateTime Read = Loaded(Text).KVFXData.ModifyDate;
    EXPECT_GE(Read, Before - 1.0 / 86400) << Text;
    EXPECT_LE(Read, Now() + 1.0 / 86400) << Text;
  }
  EXPECT_EQ(Loaded("ModifyDate=05.04.2023 06:07:08").KVFXData.ModifyDate, EncodeDateTime(2023, 4, 5, 6, 7, 8, 0));
  EXPECT_EQ(Loaded("ModifyDate=05.04.2023").KVFXData.ModifyDate, EncodeDate(2023, 4, 5));
}

TEST_F(KvDocProperties, AByteOrderMarkSelectsTheEncodingOtherwiseWindows1251) {
  struct TCase {
    const char* Label;
    std::string Bytes;
  };
  const std::u16string Utf16 = u"Attribs.ObjName=Т№\r\n";
  std::string Le = "\xFF\xFE", Be = "\xFE\xFF";
  for (char16_t U : Utf16) {
    Le += {static_cast<char>(U & 0xFF), static_cast<char>(U >> 8)};
    Be += {static_cast<char>(U >> 8), static_cast<char>(U & 0xFF)};
  }
  const TCase Cases[] = {
      {"UTF-8 with mark", "\xEF\xBB\xBF" "Attribs.ObjName=Т№\r\n"},
      {"UTF-16LE", Le},
      {"UTF-16BE", Be},
      // D2 B9 would also be valid UTF-8; without a mark it is still Windows-1251.
      {"Windows-1251", "Attribs.ObjName=\xD2\xB9\r\n"},
  };
  for (const TCase& C : Cases) EXPECT_EQ(Loaded(C.Bytes).Attribs.ObjName, "Т№") << C.Label;
}

TEST_F(KvDocProperties, CharactersOutsideWindows1251AreWrittenAsQuestionMarks) {
  TKvDocCommonProperties P;
  P.Total = "€1 ≈ ☃";
  EXPECT_EQ(RoundTrip(P).Total, "€1 ? ?");  // the euro sign is in the code page, the others are not
}

// ---- security options ------------------------------------------------------------------------

TEST(TSecurityOptions, TextFormListsTheSetFlagsInOrder) {
  struct TCase {
    TSecurityOptions Options;
    const char* Text;
  };
  const TCase Cases[] = {
      {{false, false, false, false}, ""},
      {{true, false, false, false}, "Modify"},
      {{false, true, false, true}, "Copy,Save"},
      {{true, true, true, true}, "Modify,Copy,Export,Save"},
  };
  for (const TCase& C : Cases) {
    EXPECT_EQ(C.Options.ToString(), C.Text);
    TSecurityOptions Read{true, true, true, true};
    Read.FromString(C.Text);
    EXPECT_EQ(Read, C.Options) << C.Text;
  }
}

TEST(TSecurityOptions, FromStringIgnoresCaseBlanksAndUnknownWords) {
  struct TCase {
    const char* Text;
    TSecurityOptions Expected;
  };
  const TCase Cases[] = {
      {"copy, save", {false, true, false, true}},
      {"SAVE Export,,unknown", {false, false, true, true}},
      {"\"Modify\",Print", {true, false, false, false}},
      {"\"Copy Save\"", {false, false, false, false}},
      {"Modifyx,opy", {false, false, false, false}},
  };
  for (const TCase& C : Cases) {
    TSecurityOptions Read;
    Read.FromString(C.Text);
    EXPECT_EQ(Read, C.Expected) << C.Text;
  }
  TSecurityOptions Lower;
  Lower.FromString("copy, save");
  EXPECT_EQ(Lower.ToString(), "Copy,Save");
}

TEST(TKVFXData, SetCryptedState) {
  TKVFXData FX;
  FX.SetCryptedState(true);
  EXPECT_TRUE(FX.Crypted);
  FX.SetCryptedState(false);
  EXPECT_FALSE(FX.Crypted);
}

}  // namespace
}  // namespace Quellit
