#include "Lib/Common/Common.RTTIPropList.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "Lib/Common/Common.Attributes.h"
#include "Lib/Common/Common.StringList.h"

namespace Quellit::RttiTests {

enum TColour { clRed, clGreen, clBlue };
QUELLIT_ENUM_NAMES(TColour, "clRed", "clGreen", "clBlue");
using TColours = TSet<TColour>;

struct TPoint {
  int X = 0;
  int Y = 0;
  int Sum() const { return X + Y; }
  void SetSum(int AValue) { X = AValue - Y; }
};
QUELLIT_TYPE_INFO(TPoint, TRecordInfoBuilder<TPoint>("TPoint")
                              .Property("Sum", &TPoint::Sum, &TPoint::SetSum)
                              .Field("X", &TPoint::X)
                              .Field("Y", &TPoint::Y)
                              .Build());

class TBase : public TObject {
 public:
  static const TClassInfo& StaticClassInfo();
  virtual std::string Kind() const { return "base"; }
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& AValue) { FTitle = AValue; }

 private:
  std::string FTitle;
  int FHidden = 0;
};
QUELLIT_REGISTER_CLASS(TBase);

class TDerived : public TBase {
 public:
  static const TClassInfo& StaticClassInfo();
  std::string Kind() const override { return "derived"; }
  double Ratio = 0.5;
};
QUELLIT_REGISTER_CLASS(TDerived);

// Described by nobody.
class TUndescribed : public TBase {};

const TClassInfo& TBase::StaticClassInfo() {
  static const TClassInfo Info = TClassInfoBuilder<TBase>(nullptr)
                                     .Property("Title", mvPublished, &TBase::Title, &TBase::SetTitle)
                                     .Property("Kind", mvPublic, &TBase::Kind)
                                     .Property("Hidden", mvPrivate, &TBase::FHidden, &TBase::FHidden)
                                     .Build();
  return Info;
}

const TClassInfo& TDerived::StaticClassInfo() {
  static const TClassInfo Info = TClassInfoBuilder<TDerived>(&TBase::StaticClassInfo())
                                     .Property("Ratio", mvPublic, &TDerived::Ratio, &TDerived::Ratio)
                                     .Build();
  return Info;
}

std::vector<std::string> PropertyNames(const TClassInfo& AClass) {
  std::vector<std::string> Result;
  for (const TPropInfo* Prop : AClass.Properties()) Result.push_back(Prop->Name);
  return Result;
}

TEST(TClassInfo, ListsOwnPropertiesFirstThenTheBaseClassesInDeclarationOrder) {
  const TClassInfo& Info = TDerived::StaticClassInfo();
  EXPECT_EQ(PropertyNames(Info), (std::vector<std::string>{"Ratio", "Title", "Kind", "Hidden"}));
  EXPECT_EQ(Info.Name(), "TDerived");
  EXPECT_TRUE(Info.InheritsFrom(TBase::StaticClassInfo()));
  EXPECT_FALSE(TBase::StaticClassInfo().InheritsFrom(Info));
}

TEST(TClassInfo, PropertiesCarryVisibilityWritabilityAndType) {
  std::vector<const TPropInfo*> Props = TDerived::StaticClassInfo().Properties();
  EXPECT_EQ(Props[0]->Type->Kind, tkFloat);
  EXPECT_EQ(Props[1]->Visibility, mvPublished);
  EXPECT_TRUE(Props[1]->Writable());
  EXPECT_EQ(Props[2]->Type->Kind, tkString);
  EXPECT_FALSE(Props[2]->Writable());
  EXPECT_EQ(Props[3]->Visibility, mvPrivate);
}

TEST(TClassInfo, GettersAndSettersReachTheInstanceThroughVirtualCalls) {
  TDerived Object;
  const TClassInfo* Info = ClassInfoOf(Object);
  ASSERT_NE(Info, nullptr);
  std::vector<const TPropInfo*> Props = Info->Properties();
  Props[1]->Set(Object, TValue::FromString("Сметы"));
  Props[0]->Set(Object, TValue::FromFloat(2.5));
  EXPECT_EQ(Object.Title(), "Сметы");
  EXPECT_EQ(Object.Ratio, 2.5);
  EXPECT_EQ(Props[2]->Get(Object), TValue::FromString("derived"));
}

TEST(TClassInfo, AnUndescribedClassHasNoDescriptionEvenWhenItsBaseHasOne) {
  TUndescribed Object;
  EXPECT_EQ(ClassInfoOf(Object), nullptr);
}

TEST(TypeInfoOf, GivesTheKindOfEveryTypeAPropertyMayHave) {
  struct TCase {
    const TTypeInfo* Info;
    TTypeKind Kind;
  } Cases[] = {
      {&TypeInfoOf<int>(), tkInteger},          {&TypeInfoOf<std::uint32_t>(), tkInteger},
      {&TypeInfoOf<std::int8_t>(), tkInteger},  {&TypeInfoOf<bool>(), tkEnumeration},
      {&TypeInfoOf<TColour>(), tkEnumeration},  {&TypeInfoOf<double>(), tkFloat},
      {&TypeInfoOf<float>(), tkFloat},          {&TypeInfoOf<std::string>(), tkString},
      {&TypeInfoOf<TColours>(), tkSet},         {&TypeInfoOf<std::array<int, 3>>(), tkArray},
      {&TypeInfoOf<std::vector<int>>(), tkDynArray}, {&TypeInfoOf<TPoint>(), tkRecord},
      {&TypeInfoOf<std::int64_t>(), tkInt64},   {&TypeInfoOf<char>(), tkChar},
      {&TypeInfoOf<TBase*>(), tkClass},         {&TypeInfoOf<void*>(), tkPointer},
  };
  for (const TCase& C : Cases) EXPECT_EQ(C.Info->Kind, C.Kind) << C.Info->Name;
  EXPECT_EQ(TypeInfoOf<bool>().EnumNames, (std::vector<std::string>{"False", "True"}));
  EXPECT_EQ((TypeInfoOf<std::array<int, 3>>().ElementCount), 3u);
  EXPECT_EQ(TypeInfoOf<TColours>().ElementType, &TypeInfoOf<TColour>());
  EXPECT_EQ(TypeInfoOf<std::uint32_t>().MaxValue, 4294967295);
}

TEST(TValue, RecordsAndArraysRoundTripThroughTheirDescriptions) {
  TPoint P{3, 4};
  TValue Value = ToValue(P);
  // The record's properties come before its fields.
  EXPECT_EQ(Value.Items()[0], TValue::FromInteger(7));
  TPoint Back = FromValue<TPoint>(Value);
  EXPECT_EQ(Back.X, 3);
  EXPECT_EQ(Back.Y, 4);

  std::vector<std::array<TColours, 2>> Nested{{TColours{clRed}, TColours{clGreen, clBlue}}};
  EXPECT_EQ(FromValue<decltype(Nested)>(ToValue(Nested)), Nested);
}

TEST(TValue, ZeroValuesFollowTheType) {
  EXPECT_EQ(TypeInfoOf<TColour>().ZeroValue(), TValue::FromInteger(0));
  EXPECT_EQ(TypeInfoOf<std::string>().ZeroValue(), TValue::FromString(""));
  EXPECT_EQ((TypeInfoOf<std::array<int, 2>>().ZeroValue().Items().size()), 2u);
  EXPECT_EQ(TypeInfoOf<TPoint>().ZeroValue().Items().size(), 3u);
  EXPECT_TRUE(TypeInfoOf<std::int64_t>().ZeroValue().IsEmpty());
}

TEST(TValue, AskingForTheWrongKindIsAProgrammingError) {
  EXPECT_THROW(TValue::FromString("1").AsInteger(), EAssertionFailed);
  EXPECT_THROW(TValue().Items(), EAssertionFailed);
}

TEST(GetEnumNames, AppendsTheNamesWithTheirOrdinalsForEnumerationsAndSets) {
  for (const TTypeInfo* Type : {&TypeInfoOf<TColour>(), &TypeInfoOf<TColours>()}) {
    TStringList Names;
    Names.Add("kept");
    GetEnumNames(*Type, Names);
    ASSERT_EQ(Names.Count(), 4);
    EXPECT_EQ(Names[0], "kept");
    EXPECT_EQ(Names[3], "clBlue");
    EXPECT_EQ(Names.Integers(3), 2);
  }
}

TEST(GetEnumNames, AnyOtherTypeIsAProgrammingError) {
  TStringList Names;
  try {
    GetEnumNames(TypeInfoOf<int>(), Names);
    FAIL() << "an integer type has no names";
  } catch (const EAssertionFailed& E) {
    EXPECT_NE(E.Message().find("Lib/Common/Common.RTTIPropList"), std::string::npos);
  }
}

TEST(GetEnumValue, FindsNamesWithoutRegardToCase) {
  EXPECT_EQ(GetEnumValue(TypeInfoOf<TColour>(), "CLGREEN"), 1);
  EXPECT_EQ(GetEnumValue(TypeInfoOf<bool>(), "true"), 1);
  EXPECT_EQ(GetEnumValue(TypeInfoOf<TColour>(), "clPurple"), -1);
}

TEST(ClassNameOf, NamesTheClassWithoutItsNamespaces) {
  EXPECT_EQ(ClassNameOf(typeid(TDerived)), "TDerived");
  EXPECT_EQ(ClassNameOf(typeid(TDisplayName)), "TDisplayName");
}

}  // namespace Quellit::RttiTests
