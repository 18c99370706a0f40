// Attributes read from class descriptions: TCustomAttribute<T> with its lookups on classes and
// methods, the display name, the serializer's opt-out, and the errors of the lookups.
#pragma once

#include <string>
#include <type_traits>
#include <typeinfo>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.RTTIPropList.h"

namespace Quellit {

class EAttributeError : public Exception {
 public:
  static constexpr const char* Prefix = "Чтение аттрибутов: ";

  explicit EAttributeError(const std::string& AMessage);

  static EAttributeError AttributeByClassNotFound(const std::type_info& AAttributeClass);
  static EAttributeError PropWithAttrNotFound(const std::type_info& AObjClass, const std::type_info& AAttrClass);
  static EAttributeError RttiNotPresented();
};

// The first attribute in AAttributes that AMatches accepts, or null.
const TAttribute* FindAttribute(const TAttributeList& AAttributes, bool (*AMatches)(const TAttribute&));
// The attributes of the method of AMethod.Data's class (inherited ones included) whose code is
// AMethod's; null when the instance's class has no description or no such method.
const TAttributeList* FindMethodAttributes(const TMethod& AMethod);

// An attribute carrying a value. TSelf names the concrete attribute class, so that its lookups
// find instances of that class (or of classes derived from it) only:
//   class TDisplayName : public TCustomAttribute<std::string, TDisplayName> { ... };
// A class derived from a concrete attribute class shares its base's lookups.
template <class T, class TSelf = void>
class TCustomAttribute : public TAttribute {
  using TMatched = std::conditional_t<std::is_void_v<TSelf>, TCustomAttribute, TSelf>;

 public:
  explicit TCustomAttribute(T AValue) : FValue(std::move(AValue)) {}

  const T& Value() const { return FValue; }
  // The value of AAttribute, or ADefault when there is no attribute.
  static T ValueOrDefault(const TCustomAttribute* AAttribute, const T& ADefault) {
    return AAttribute ? AAttribute->FValue : ADefault;
  }

  // The value of the first attribute of this class attached to AClass itself (its base classes
  // are not consulted), or ADefault.
  static T GetValue(const TClassInfo& AClass, const T& ADefault) {
    return ValueOrDefault(Find(AClass.Attributes()), ADefault);
  }
  // As above; EAttributeError when AClass carries no such attribute.
  static T GetValue(const TClassInfo& AClass) {
    const TMatched* Found = Find(AClass.Attributes());
    if (!Found) throw EAttributeError::AttributeByClassNotFound(typeid(TMatched));
    return Found->Value();
  }
  // The value attached to the method AMethod refers to, or ADefault. Never raises.
  static T GetValue(const TMethod& AMethod, const T& ADefault) {
    const TAttributeList* List = FindMethodAttributes(AMethod);
    return List ? ValueOrDefault(Find(*List), ADefault) : ADefault;
  }

 protected:
  T FValue;

 private:
  static const TMatched* Find(const TAttributeList& AAttributes) {
    return static_cast<const TMatched*>(FindAttribute(
        AAttributes, [](const TAttribute& A) { return dynamic_cast<const TMatched*>(&A) != nullptr; }));
  }
};

// A human-readable (Russian) name of a class or a property.
class TDisplayName : public TCustomAttribute<std::string, TDisplayName> {
 public:
  using TCustomAttribute::TCustomAttribute;
};

// Marks a property the serializer skips.
class TNotSerializeAttribute : public TAttribute {};

// Whether connecting through a connection class needs a login dialog.
class TLoginDlgRequiredAttribute : public TCustomAttribute<bool, TLoginDlgRequiredAttribute> {
 public:
  using TCustomAttribute::TCustomAttribute;
};

// Whether AAttributes holds an instance of A or of a class derived from it.
template <class A>
bool HasAttribute(const TAttributeList& AAttributes) {
  return FindAttribute(AAttributes, [](const TAttribute& X) { return dynamic_cast<const A*>(&X) != nullptr; }) != nullptr;
}

}  // namespace Quellit
