#include "Lib/Common/Common.OptionsStorage.Serializer.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "Lib/Common/Common.OptionsStorage.XML.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Support/RussianLocale.h"
#include "Support/ScratchFolder.h"

namespace Quellit::SerializerTests {

enum TColour { clRed, clGreen, clBlue };
QUELLIT_ENUM_NAMES(TColour, "clRed", "clGreen", "clBlue");
using TColours = TSet<TColour>;

struct TPoint {
  int X = 0;
  int Y = 0;
  int Sum() const { return X + Y; }
  void SetSum(int) {}  // derived from the fields; stored for readers of the file only
};
QUELLIT_TYPE_INFO(TPoint, TRecordInfoBuilder<TPoint>("TPoint")
                              .Property("Sum", &TPoint::Sum, &TPoint::SetSum)
                              .Field("X", &TPoint::X)
                              .Field("Y", &TPoint::Y)
                              .Build());

// One property of every kind, and the properties the serializer must leave alone.
class TSample : public TObject {
 public:
  static const TClassInfo& StaticClassInfo();

  std::string Caption;
  int Count = -1;
  bool Flag = false;
  TColours Colours{clGreen};
  double Ratio = 0;
  TColour Kind = clRed;
  std::uint32_t Big = 0;
  std::int8_t Small = 0;
  std::vector<int> Numbers;
  std::array<int, 4> Quad{1, 2, 3, 4};
  TPoint Origin;
  std::vector<TPoint> Path;
  std::int64_t Ticks = 0;  // a kind the serializer does not handle
  std::string NotStored = "keep";
  std::string ReadOnly() const { return "computed"; }
  int CaptionWrites = 0;

  const std::string& GetCaption() const { return Caption; }
  void SetCaption(const std::string& AValue) {
    ++CaptionWrites;
    if (AValue == "throw") throw std::runtime_error("refused");
    Caption = AValue;
  }

 protected:
  std::string Secret = "secret";
};
QUELLIT_REGISTER_CLASS(TSample);

// Its own properties come before the base class's.
class TDerivedSample : public TSample {
 public:
  static const TClassInfo& StaticClassInfo();
  std::string Address;
};
QUELLIT_REGISTER_CLASS(TDerivedSample);

class TUndescribed : public TObject {};

enum TWide { w0, w1, w2, w3, w4, w5, w6, w7, w8, w9, w10, w11, w12, w13, w14, w15, w16,
             w17, w18, w19, w20, w21, w22, w23, w24, w25, w26, w27, w28, w29, w30, w31, w32 };
QUELLIT_ENUM_NAMES(TWide, "w0", "w1", "w2", "w3", "w4", "w5", "w6", "w7", "w8", "w9", "w10", "w11", "w12",
                   "w13", "w14", "w15", "w16", "w17", "w18", "w19", "w20", "w21", "w22", "w23", "w24", "w25",
                   "w26", "w27", "w28", "w29", "w30", "w31", "w32");

class TWideSet : public TObject {
 public:
  static const TClassInfo& StaticClassInfo() {
    static const TClassInfo Info =
        TClassInfoBuilder<TWideSet>(nullptr).Property("Members", mvPublic, &TWideSet::Members, &TWideSet::Members).Build();
    return Info;
  }
  TSet<TWide> Members{w1};
};
QUELLIT_REGISTER_CLASS(TWideSet);

const TClassInfo& TSample::StaticClassInfo() {
  static const TClassInfo Info =
      TClassInfoBuilder<TSample>(nullptr)
          .Property("Caption", mvPublished, &TSample::GetCaption, &TSample::SetCaption,
                    Attributes(TDisplayName("Название")))
          .Property("Count", mvPublic, &TSample::Count, &TSample::Count)
          .Property("Flag", mvPublished, &TSample::Flag, &TSample::Flag)
          .Property("Colours", mvPublished, &TSample::Colours, &TSample::Colours)
          .Property("Ratio", mvPublic, &TSample::Ratio, &TSample::Ratio)
          .Property("Kind", mvPublic, &TSample::Kind, &TSample::Kind)
          .Property("Big", mvPublic, &TSample::Big, &TSample::Big)
          .Property("Small", mvPublic, &TSample::Small, &TSample::Small)
          .Property("Numbers", mvPublic, &TSample::Numbers, &TSample::Numbers)
          .Property("Quad", mvPublic, &TSample::Quad, &TSample::Quad)
          .Property("Origin", mvPublic, &TSample::Origin, &TSample::Origin)
          .Property("Path", mvPublic, &TSample::Path, &TSample::Path)
          .Property("Ticks", mvPublic, &TSample::Ticks, &TSample::Ticks)
          .Property("NotStored", mvPublic, &TSample::NotStored, &TSample::NotStored,
                    Attributes(TNotSerializeAttribute()))
          .Property("ReadOnly", mvPublic, &TSample::ReadOnly)
          .Property("Secret", mvProtected, &TSample::Secret, &TSample::Secret)
          .Build();
  return Info;
}

const TClassInfo& TDerivedSample::StaticClassInfo() {
  static const TClassInfo Info = TClassInfoBuilder<TDerivedSample>(&TSample::StaticClassInfo())
                                     .Property("Address", mvPublished, &TDerivedSample::Address, &TDerivedSample::Address)
                                     .Build();
  return Info;
}

// Objects stored in the section "Object" of a real options file in a scratch folder.
class TSerializerTest : public Testing::TRussianLocaleTest {
 protected:
  void Store(const TObject& AObject) {
    TIntf<IOptionsWriter> Writer(new TXmlOptionsWriter(FFile));
    TOptionsSerializer::SerializeObject(*Writer->OpenSubWriter("Object"), AObject);
    Writer->Save();
  }
  TIntf<IOptionsReader> Section() {
    TIntf<IOptionsReader> Reader(new TXmlOptionsReader(FFile));
    return Reader->OpenSubReader("Object");
  }
  void Load(TObject& AObject) { TOptionsSerializer::DeserializeObject(*Section(), AObject); }
  // An options file whose section "Object" holds ABody (attributes, then ">" and children).
  void WriteSection(const std::string& ABody) {
    FFolder.Write("Options.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Options><Object " + ABody +
                                     "</Object></Options>");
  }
  std::string Stored(const std::string& AName) { return Section()->ReadString(AName, "<absent>"); }

  Testing::TScratchFolder FFolder;
  std::string FFile = FFolder / "Options.xml";
};

TEST_F(TSerializerTest, WritesEveryHandledKindAsText) {
  TSample Sample;
  Sample.Caption = "Сметы";
  Sample.Count = 120;
  Sample.Flag = true;
  Sample.Colours = {clRed, clBlue};
  Sample.Ratio = 1.25;
  Sample.Kind = clGreen;
  Sample.Small = -5;
  Store(Sample);
  struct TCase {
    const char* Name;
    const char* Text;
  } Cases[] = {
      {"Caption", "Сметы"}, {"Count", "120"}, {"Flag", "True"},  {"Colours", "clRed,clBlue"},
      {"Ratio", "1,25"},    {"Kind", "clGreen"}, {"Small", "-5"},
      // Zero numbers are never stored.
      {"Big", "<absent>"},
  };
  for (const TCase& C : Cases) EXPECT_EQ(Stored(C.Name), C.Text) << C.Name;
}

TEST_F(TSerializerTest, LeavesOutHiddenReadOnlyExcludedAndUnhandledProperties) {
  TSample Sample;
  Sample.Ticks = 42;
  Store(Sample);
  for (const char* Name : {"NotStored", "ReadOnly", "Secret", "Ticks"}) EXPECT_FALSE(Section()->ValueExists(Name)) << Name;

  WriteSection("NotStored=\"x\" ReadOnly=\"x\" Secret=\"x\" Ticks=\"7\">");
  TSample Loaded;
  Load(Loaded);
  EXPECT_EQ(Loaded.NotStored, "keep");
  EXPECT_EQ(Loaded.Ticks, 0);
}

TEST_F(TSerializerTest, DerivedPropertiesComeFirstInTheSection) {
  TDerivedSample Sample;
  Sample.Address = "C:\\Сметы\\";
  Sample.Caption = "Образцы";
  Store(Sample);
  std::string Text = Win1251ToUtf8(Testing::TScratchFolder::Read(FFile));
  EXPECT_NE(Text.find("<Object Address=\"C:\\Сметы\\\" Caption=\"Образцы\" Count=\"-1\" Flag=\"False\""), std::string::npos) << Text;
}

TEST_F(TSerializerTest, RoundTripsEveryHandledKind) {
  TSample Sample;
  Sample.Caption = "Папка 2";
  Sample.Count = -7;
  Sample.Flag = true;
  Sample.Colours = {clGreen, clBlue};
  Sample.Ratio = 0.1;
  Sample.Kind = clBlue;
  Sample.Big = 4000000000u;
  Sample.Small = 127;
  Sample.Numbers = {5, 0, 7};
  Sample.Quad = {9, 8, 7, 6};
  Sample.Origin = {3, 4};
  Sample.Path = {{1, 2}, {0, 0}, {5, 6}};
  Store(Sample);

  TSample Loaded;
  Load(Loaded);
  EXPECT_EQ(Loaded.Caption, "Папка 2");
  EXPECT_EQ(Loaded.Count, -7);
  EXPECT_TRUE(Loaded.Flag);
  EXPECT_EQ(Loaded.Colours, (TColours{clGreen, clBlue}));
  EXPECT_DOUBLE_EQ(Loaded.Ratio, 0.1);
  EXPECT_EQ(Loaded.Kind, clBlue);
  EXPECT_EQ(Loaded.Big, 4000000000u);
  EXPECT_EQ(Loaded.Small, 127);
  EXPECT_EQ(Loaded.Numbers, (std::vector<int>{5, 0, 7}));
  EXPECT_EQ(Loaded.Quad, (std::array<int, 4>{9, 8, 7, 6}));
  EXPECT_EQ(Loaded.Origin.X, 3);
  EXPECT_EQ(Loaded.Origin.Y, 4);
  ASSERT_EQ(Loaded.Path.size(), 3u);
  EXPECT_EQ(Loaded.Path[2].Y, 6);
}

TEST_F(TSerializerTest, AbsentValuesKeepWhatTheConstructorSet) {
  TSample Sample;
  Sample.Count = 0;
  Sample.Colours = {};
  Sample.Quad = {0, 0, 0, 0};
  Store(Sample);
  EXPECT_FALSE(Section()->ValueExists("Count"));
  EXPECT_FALSE(Section()->ValueExists("Colours"));

  TSample Loaded;
  Load(Loaded);
  EXPECT_EQ(Loaded.Count, -1);
  EXPECT_EQ(Loaded.Colours, TColours{clGreen});
  // Items without a value read as the element's zero value.
  EXPECT_EQ(Loaded.Quad, (std::array<int, 4>{0, 0, 0, 0}));
}

TEST_F(TSerializerTest, ReadsStoredTextsLeniently) {
  struct TCase {
    const char* Body;
    bool Flag;
    TColour Kind;
    TColours Colours;
    int Count;
    std::int8_t Small;
  } Cases[] = {
      {"Flag=\"true\" Kind=\"CLBLUE\">", true, clBlue, {clGreen}, -1, 0},
      // Unknown words leave the current value.
      {"Flag=\"Yes\" Kind=\"clPurple\">", false, clRed, {clGreen}, -1, 0},
      {"Kind=\"\">", false, clRed, {clGreen}, -1, 0},
      // Set members: commas and blanks separate, quotes group, case is ignored, unknown names go.
      {"Colours=\"clBlue, CLRED\">", false, clRed, {clRed, clBlue}, -1, 0},
      {"Colours='\"clGreen\",bogus'>", false, clRed, {clGreen}, -1, 0},
      {"Colours=\"bogus\">", false, clRed, {}, -1, 0},
      // Numbers that cannot be read, or that the property cannot hold, leave the current value.
      {"Count=\"abc\" Small=\"300\">", false, clRed, {clGreen}, -1, 0},
      {"Count=\"\" Small=\"-128\">", false, clRed, {clGreen}, -1, -128},
  };
  for (const TCase& C : Cases) {
    WriteSection(C.Body);
    TSample Loaded;
    Load(Loaded);
    EXPECT_EQ(Loaded.Flag, C.Flag) << C.Body;
    EXPECT_EQ(Loaded.Kind, C.Kind) << C.Body;
    EXPECT_EQ(Loaded.Colours, C.Colours) << C.Body;
    EXPECT_EQ(Loaded.Count, C.Count) << C.Body;
    EXPECT_EQ(Loaded.Small, C.Small) << C.Body;
  }
}

TEST_F(TSerializerTest, ArraysAreSectionsOfItems) {
  TSample Sample;
  Sample.Numbers = {5, 0, 7};
  Store(Sample);
  TIntf<IOptionsReader> Numbers = Section()->OpenSubReader("Numbers");
  EXPECT_EQ(Numbers->ReadSubkeyNames(), (std::vector<std::string>{"Item0", "Item1", "Item2"}));
  EXPECT_EQ(Numbers->OpenSubReader("Item0")->ReadInteger("Value", -1), 5);
  EXPECT_FALSE(Numbers->OpenSubReader("Item1")->ValueExists("Value"));
  // Records inside arrays are the item sections themselves.
  EXPECT_EQ(Section()->OpenSubReader("Path")->ReadSubkeyNames().size(), 0u);
}

TEST_F(TSerializerTest, AShorterArrayReplacesALongerOne) {
  TSample Sample;
  Sample.Numbers = {1, 2, 3, 4};
  Store(Sample);
  Sample.Numbers = {9};
  Store(Sample);
  EXPECT_EQ(Section()->OpenSubReader("Numbers")->ReadSubkeyNames(), (std::vector<std::string>{"Item0"}));
  TSample Loaded;
  Load(Loaded);
  EXPECT_EQ(Loaded.Numbers, (std::vector<int>{9}));
}

TEST_F(TSerializerTest, ArrayChildrenAreReadWhateverTheirNames) {
  WriteSection("><Numbers><A Value=\"1\"/><B/><Item0 Value=\"3\"/></Numbers>"
               "<Quad><Item0 Value=\"1\"/><Item1 Value=\"1\"/><Item2 Value=\"1\"/></Quad>"
               "<Path><P X=\"1\" Y=\"2\"/></Path>");
  TSample Loaded;
  Load(Loaded);
  EXPECT_EQ(Loaded.Numbers, (std::vector<int>{1, 0, 3}));
  // Three children for four elements: the static array keeps its content.
  EXPECT_EQ(Loaded.Quad, (std::array<int, 4>{1, 2, 3, 4}));
  ASSERT_EQ(Loaded.Path.size(), 1u);
  EXPECT_EQ(Loaded.Path[0].Y, 2);
}

TEST_F(TSerializerTest, RecordsAreSectionsOfTheirPropertiesThenFields) {
  TSample Sample;
  Sample.Origin = {3, 4};
  Store(Sample);
  TIntf<IOptionsReader> Origin = Section()->OpenSubReader("Origin");
  EXPECT_EQ(Origin->ReadInteger("Sum", 0), 7);
  EXPECT_EQ(Origin->ReadInteger("X", 0), 3);

  // A record section holding only some members: the others come from the current value.
  WriteSection("><Origin Y=\"9\"/>");
  TSample Loaded;
  Loaded.Origin = {5, 6};
  Load(Loaded);
  EXPECT_EQ(Loaded.Origin.X, 5);
  EXPECT_EQ(Loaded.Origin.Y, 9);
}

TEST_F(TSerializerTest, EverySerializablePropertyIsSetOnce) {
  WriteSection(">");
  TSample Loaded;
  Loaded.Caption = "Сметы";
  Load(Loaded);
  EXPECT_EQ(Loaded.CaptionWrites, 1);
  EXPECT_EQ(Loaded.Caption, "Сметы");
}

TEST_F(TSerializerTest, ASetterFailureStopsTheLoadAfterTheEarlierProperties) {
  WriteSection("Address=\"D:\\\" Caption=\"throw\" Count=\"5\">");
  TDerivedSample Loaded;
  EXPECT_THROW(Load(Loaded), std::runtime_error);
  EXPECT_EQ(Loaded.Address, "D:\\");
  EXPECT_EQ(Loaded.Count, -1);
}

TEST_F(TSerializerTest, AClassWithoutADescriptionIsReported) {
  TUndescribed Object;
  TIntf<IOptionsWriter> Writer(new TXmlOptionsWriter(FFile));
  try {
    TOptionsSerializer::SerializeObject(*Writer, Object);
    FAIL() << "no description, nothing to serialize";
  } catch (const EAttributeError& E) {
    EXPECT_EQ(E.Message(), "Чтение аттрибутов: Отсутствует RTTI");
  }
  EXPECT_THROW(Load(Object), EAttributeError);
}

TEST_F(TSerializerTest, ASetOfMoreThanThirtyTwoElementsIsAProgrammingError) {
  TWideSet Object;
  try {
    Store(Object);
    FAIL() << "a set larger than 4 bytes cannot be stored";
  } catch (const EAssertionFailed& E) {
    EXPECT_NE(E.Message().find("Lib/Common/Common.OptionsStorage.Serializer"), std::string::npos);
  }
}

}  // namespace Quellit::SerializerTests
