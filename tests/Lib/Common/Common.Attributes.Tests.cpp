#include "Lib/Common/Common.Attributes.h"

#include <gtest/gtest.h>

#include <string>

namespace Quellit::AttributeTests {

// Another string attribute: lookups of TDisplayName must not take it for a display name.
class TCategory : public TCustomAttribute<std::string, TCategory> {
 public:
  using TCustomAttribute::TCustomAttribute;
};

class TShortName : public TDisplayName {
 public:
  using TDisplayName::TDisplayName;
};

class TShape : public TObject {
 public:
  static const TClassInfo& StaticClassInfo();
  void Draw() {}
  void Erase() {}
  virtual void Fill() {}
};
QUELLIT_REGISTER_CLASS(TShape);

// No display name of its own.
class TCircle : public TShape {
 public:
  static const TClassInfo& StaticClassInfo();
  void Roll() {}
};
QUELLIT_REGISTER_CLASS(TCircle);

class TSquare : public TShape {
 public:
  static const TClassInfo& StaticClassInfo();
};
QUELLIT_REGISTER_CLASS(TSquare);

class TUndescribedShape : public TShape {};

const TClassInfo& TShape::StaticClassInfo() {
  static const TClassInfo Info =
      TClassInfoBuilder<TShape>(nullptr, Attributes(TCategory("Геометрия"), TDisplayName("Фигура"),
                                                    TLoginDlgRequiredAttribute(true)))
          .Method("Draw", &TShape::Draw, Attributes(TDisplayName("Нарисовать")))
          .Method("Erase", &TShape::Erase)
          .Method("Fill", &TShape::Fill, Attributes(TDisplayName("Залить")))
          .Build();
  return Info;
}

const TClassInfo& TCircle::StaticClassInfo() {
  static const TClassInfo Info = TClassInfoBuilder<TCircle>(&TShape::StaticClassInfo())
                                     .Method("Roll", &TCircle::Roll, Attributes(TDisplayName("Катить")))
                                     .Build();
  return Info;
}

const TClassInfo& TSquare::StaticClassInfo() {
  static const TClassInfo Info =
      TClassInfoBuilder<TSquare>(&TShape::StaticClassInfo(), Attributes(TShortName("Квадрат"))).Build();
  return Info;
}

TEST(EAttributeError, EveryMessageCarriesThePrefixOnce) {
  struct TCase {
    EAttributeError Error;
    std::string Message;
  } Cases[] = {
      {EAttributeError::AttributeByClassNotFound(typeid(TDisplayName)),
       "Чтение аттрибутов: Аттрибут класса \"TDisplayName\" не найден"},
      {EAttributeError::PropWithAttrNotFound(typeid(TCircle), typeid(TNotSerializeAttribute)),
       "Чтение аттрибутов: Не удалось найти свойство экземпляра класса TCircle, помеченное аттрибутом "
       "TNotSerializeAttribute"},
      {EAttributeError::RttiNotPresented(), "Чтение аттрибутов: Отсутствует RTTI"},
      {EAttributeError("Чтение аттрибутов: уже с приставкой"), "Чтение аттрибутов: уже с приставкой"},
      {EAttributeError("Чтение аттрибутов без двоеточия"), "Чтение аттрибутов: Чтение аттрибутов без двоеточия"},
  };
  for (const TCase& C : Cases) {
    EXPECT_EQ(C.Error.Message(), C.Message);
    EXPECT_EQ(C.Error.ClassName(), "EAttributeError");
  }
}

TEST(TCustomAttribute, ClassLookupReadsOnlyTheClassItself) {
  EXPECT_EQ(TDisplayName::GetValue(TShape::StaticClassInfo(), "нет"), "Фигура");
  // The base class's display name is not the derived class's.
  EXPECT_EQ(TDisplayName::GetValue(TCircle::StaticClassInfo(), "нет"), "нет");
  EXPECT_EQ(TCategory::GetValue(TShape::StaticClassInfo(), ""), "Геометрия");
  EXPECT_TRUE(TLoginDlgRequiredAttribute::GetValue(TShape::StaticClassInfo(), false));
  EXPECT_FALSE(TLoginDlgRequiredAttribute::GetValue(TSquare::StaticClassInfo(), false));
}

TEST(TCustomAttribute, ClassLookupFindsAttributesOfDerivedAttributeClasses) {
  EXPECT_EQ(TDisplayName::GetValue(TSquare::StaticClassInfo()), "Квадрат");
}

TEST(TCustomAttribute, RaisingLookupNamesTheAttributeClass) {
  try {
    TDisplayName::GetValue(TCircle::StaticClassInfo());
    FAIL() << "TCircle carries no display name of its own";
  } catch (const EAttributeError& E) {
    EXPECT_EQ(E.Message(), "Чтение аттрибутов: Аттрибут класса \"TDisplayName\" не найден");
  }
}

TEST(TCustomAttribute, ValueOrDefaultAcceptsAMissingAttribute) {
  TDisplayName Name("Имя");
  EXPECT_EQ(TDisplayName::ValueOrDefault(&Name, "нет"), "Имя");
  EXPECT_EQ(TDisplayName::ValueOrDefault(nullptr, "нет"), "нет");
}

TEST(TCustomAttribute, MethodLookupFindsTheMethodByItsCode) {
  TCircle Circle;
  TShape Shape;
  TUndescribedShape Undescribed;
  struct TCase {
    TMethod Method;
    std::string Expected;
  } Cases[] = {
      {MakeMethod(&TShape::Draw, &Shape), "Нарисовать"},
      {MakeMethod(&TShape::Fill, &Shape), "Залить"},
      // Inherited methods are found through the instance's class.
      {MakeMethod(&TShape::Draw, &Circle), "Нарисовать"},
      {MakeMethod(&TCircle::Roll, &Circle), "Катить"},
      // A method without the attribute, a method the class does not have, no description, no instance.
      {MakeMethod(&TShape::Erase, &Shape), "нет"},
      {MakeMethod(&TCircle::Roll, &Shape), "нет"},
      {MakeMethod(&TShape::Draw, &Undescribed), "нет"},
      {TMethod{TMethodCode::Of(&TShape::Draw), nullptr}, "нет"},
  };
  for (const TCase& C : Cases) EXPECT_EQ(TDisplayName::GetValue(C.Method, "нет"), C.Expected);
}

TEST(HasAttribute, MatchesTheClassAndItsDescendants) {
  TAttributeList List = Attributes(TShortName("x"), TNotSerializeAttribute());
  EXPECT_TRUE(HasAttribute<TDisplayName>(List));
  EXPECT_TRUE(HasAttribute<TNotSerializeAttribute>(List));
  EXPECT_FALSE(HasAttribute<TCategory>(List));
}

}  // namespace Quellit::AttributeTests
