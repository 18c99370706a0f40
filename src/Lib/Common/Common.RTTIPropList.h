// Run-time type information: type descriptions, class descriptions (ordered property tables with
// visibility, writability, attributes, type, getter and setter), the values they carry, and the
// names of enumerations. Classes declare their description next to themselves; see README.md,
// "Class descriptions".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <concepts>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <variant>
#include <vector>

#include "Lib/Common/Common.Collections.h"
#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Object.h"

namespace Quellit {

class TStrings;

// The base of every attribute attached to a class, a property or a method.
class TAttribute : public TObject {};
using TAttributeList = std::vector<std::shared_ptr<const TAttribute>>;

// Attributes(TDisplayName("Название"), TNotSerializeAttribute()): the list a description holds.
template <class... TAttrs>
TAttributeList Attributes(TAttrs&&... AAttributes) {
  return {std::make_shared<const std::remove_cvref_t<TAttrs>>(std::forward<TAttrs>(AAttributes))...};
}


// ---- values --------------------------------------------------------------------------------

// A property value as the serializer carries it: integers, enumeration ordinals and set masks as
// integers; floating point as double; strings; arrays and records as lists (a record's items are
// its properties, then its fields). Values of kinds the serializer does not handle are empty.
class TValue {
 public:
  TValue() = default;
  static TValue FromInteger(std::int64_t AValue);
  static TValue FromFloat(double AValue);
  static TValue FromString(std::string AValue);
  static TValue FromItems(std::vector<TValue> AItems);

  bool IsEmpty() const { return std::holds_alternative<std::monostate>(FData); }
  std::int64_t AsInteger() const;
  double AsFloat() const;
  const std::string& AsString() const;
  const std::vector<TValue>& Items() const;

  friend bool operator==(const TValue&, const TValue&) = default;

 private:
  std::variant<std::monostate, std::int64_t, double, std::string, std::vector<TValue>> FData;
};

// ---- type descriptions ---------------------------------------------------------------------

enum TTypeKind {
  tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod,
  tkVariant, tkArray, tkRecord, tkInterface, tkInt64, tkDynArray, tkClassRef, tkPointer, tkProcedure
};

class TTypeInfo;

// A member of a record: a property (getter and setter) or a field.
struct TRecordMember {
  std::string Name;
  const TTypeInfo* Type = nullptr;
  std::function<TValue(const void*)> Get;
  std::function<void(void*, const TValue&)> Set;
};

class TTypeInfo : public TObject {
 public:
  std::string Name;
  TTypeKind Kind = tkUnknown;
  // tkInteger: the range of the type; a stored number outside it does not fit the property.
  std::int64_t MinValue = 0;
  std::int64_t MaxValue = 0;
  // tkEnumeration: the value names, lowest ordinal first.
  std::vector<std::string> EnumNames;
  // tkSet: the element enumeration; tkArray, tkDynArray: the element type.
  const TTypeInfo* ElementType = nullptr;
  // tkArray: the number of elements.
  std::size_t ElementCount = 0;
  // tkRecord: properties first, then fields, each in declaration order.
  std::vector<TRecordMember> RecordProperties;
  std::vector<TRecordMember> RecordFields;

  // 0, 0.0, empty text, empty set, the first enumeration value, zero elements, a zeroed record.
  TValue ZeroValue() const;
  bool IsArray() const { return Kind == tkArray || Kind == tkDynArray; }
};

TTypeInfo EnumTypeInfo(std::string AName, std::vector<std::string> ANames);

// Type descriptions of enumerations and records are declared next to the type, in its namespace:
//   QUELLIT_ENUM_NAMES(TStorageKind, "Veska", "NormBase", "FormTemplate", "DocTemplate");
//   QUELLIT_TYPE_INFO(TPoint, TRecordInfoBuilder<TPoint>("TPoint").Field("X", &TPoint::X).Build());
#define QUELLIT_TYPE_INFO(T, ...)                                    \
  inline const ::Quellit::TTypeInfo& QuellitTypeInfo(const T*) {     \
    static const ::Quellit::TTypeInfo Info = (__VA_ARGS__);          \
    return Info;                                                     \
  }
#define QUELLIT_ENUM_NAMES(E, ...) QUELLIT_TYPE_INFO(E, ::Quellit::EnumTypeInfo(#E, {__VA_ARGS__}))

template <class T>
const TTypeInfo& TypeInfoOf();
template <class T>
TValue ToValue(const T& AValue);
template <class T>
T FromValue(const TValue& AValue);

// Whether values of T travel through TValue (the kinds the serializer handles).
template <class T>
constexpr bool IsHandledType();

// ---- enumeration names ---------------------------------------------------------------------

// Appends the names of an enumeration (or of a set's element enumeration), lowest ordinal first,
// each with its ordinal as the line's integer.
void GetEnumNames(const TTypeInfo& ATypeInfo, TStrings& AStrings);
// The ordinal whose name equals AName ignoring letter case, or -1.
int GetEnumValue(const TTypeInfo& ATypeInfo, const std::string& AName);

// ---- class descriptions --------------------------------------------------------------------

enum TMemberVisibility { mvPrivate, mvProtected, mvPublic, mvPublished };

class TPropInfo : public TObject {
 public:
  std::string Name;
  TMemberVisibility Visibility = mvPublic;
  TAttributeList Attributes;
  const TTypeInfo* Type = nullptr;
  std::function<TValue(const TObject&)> Get;
  std::function<void(TObject&, const TValue&)> Set;  // empty for a read-only property

  bool Writable() const { return static_cast<bool>(Set); }
};

// The code address of a method: equal for the same member function of the same class.
class TMethodCode {
 public:
  TMethodCode() = default;
  template <class M>
    requires std::is_member_function_pointer_v<M>
  static TMethodCode Of(M AMethod) {
    static_assert(sizeof(M) <= sizeof(FBytes));
    TMethodCode Result;
    Result.FType = &typeid(M);
    std::memcpy(Result.FBytes.data(), &AMethod, sizeof(M));
    return Result;
  }
  friend bool operator==(const TMethodCode& A, const TMethodCode& B);

 private:
  const std::type_info* FType = nullptr;
  std::array<unsigned char, 32> FBytes{};
};

// A method reference: the code and the instance it is called on.
struct TMethod {
  TMethodCode Code;
  const TObject* Data = nullptr;
};
template <class M, class T>
TMethod MakeMethod(M AMethod, const T* AInstance) {
  return {TMethodCode::Of(AMethod), AInstance};
}

class TMethodInfo : public TObject {
 public:
  std::string Name;
  TAttributeList Attributes;
  TMethodCode Code;
};

class TClassInfo : public TObject {
 public:
  TClassInfo(const std::type_info& AType, const TClassInfo* AParent, TAttributeList AAttributes,
             std::vector<TPropInfo> AProperties, std::vector<TMethodInfo> AMethods);

  std::string Name() const { return ClassNameOf(*FType); }
  const std::type_info& Type() const { return *FType; }
  const TClassInfo* Parent() const { return FParent; }
  // The class's own attributes; those of base classes are not part of them.
  const TAttributeList& Attributes() const { return FAttributes; }
  const std::vector<TPropInfo>& OwnProperties() const { return FProperties; }
  // Own properties first, then those of each base class in turn, each in declaration order.
  std::vector<const TPropInfo*> Properties() const;
  std::vector<const TMethodInfo*> Methods() const;
  bool InheritsFrom(const TClassInfo& AClass) const;

 private:
  const std::type_info* FType;
  const TClassInfo* FParent;
  TAttributeList FAttributes;
  std::vector<TPropInfo> FProperties;
  std::vector<TMethodInfo> FMethods;
};

// Descriptions are found by an object's dynamic class. A class registers its description with
// QUELLIT_REGISTER_CLASS(T) after the class, where T declares `static const TClassInfo&
// StaticClassInfo();`.
bool RegisterClassInfo(const std::type_info& AType, const TClassInfo& (*AGetter)());
const TClassInfo* FindClassInfo(const std::type_info& AType);
inline const TClassInfo* ClassInfoOf(const TObject& AObject) { return FindClassInfo(typeid(AObject)); }

#define QUELLIT_CONCAT_INNER(A, B) A##B
#define QUELLIT_CONCAT(A, B) QUELLIT_CONCAT_INNER(A, B)
#define QUELLIT_REGISTER_CLASS(T)                                                         \
  [[maybe_unused]] static const bool QUELLIT_CONCAT(QuellitClassRegistered_, __COUNTER__) = \
      ::Quellit::RegisterClassInfo(typeid(T), &T::StaticClassInfo)

// ---- builders ------------------------------------------------------------------------------

namespace Detail {

template <class T>
concept HasTypeInfoHook = requires {
  { QuellitTypeInfo(static_cast<const T*>(nullptr)) } -> std::same_as<const TTypeInfo&>;
};

template <class T>
struct TContainerTraits {
  static constexpr bool IsSet = false, IsStaticArray = false, IsDynArray = false;
};
template <class E>
struct TContainerTraits<TSet<E>> {
  static constexpr bool IsSet = true, IsStaticArray = false, IsDynArray = false;
  using Element = E;
};
template <class E, std::size_t N>
struct TContainerTraits<std::array<E, N>> {
  static constexpr bool IsSet = false, IsStaticArray = true, IsDynArray = false;
  using Element = E;
};
template <class E, class A>
struct TContainerTraits<std::vector<E, A>> {
  static constexpr bool IsSet = false, IsStaticArray = false, IsDynArray = true;
  using Element = E;
};

template <class T>
constexpr bool IsCharType = std::is_same_v<T, char> || std::is_same_v<T, wchar_t> || std::is_same_v<T, char8_t> ||
                            std::is_same_v<T, char16_t> || std::is_same_v<T, char32_t>;
// The integer kind: ordinal types of up to 32 bits.
template <class T>
constexpr bool IsSmallInteger = std::is_integral_v<T> && !std::is_same_v<T, bool> && !IsCharType<T> && sizeof(T) <= 4;

template <class T>
TTypeInfo BuiltInTypeInfo() {
  using C = TContainerTraits<T>;
  TTypeInfo Info;
  Info.Name = ClassNameOf(typeid(T));
  if constexpr (std::is_same_v<T, bool>) {
    Info = EnumTypeInfo("Boolean", {"False", "True"});
  } else if constexpr (IsSmallInteger<T>) {
    Info.Kind = tkInteger;
    Info.MinValue = static_cast<std::int64_t>(std::numeric_limits<T>::min());
    Info.MaxValue = static_cast<std::int64_t>(std::numeric_limits<T>::max());
  } else if constexpr (std::is_integral_v<T>) {
    Info.Kind = IsCharType<T> ? tkChar : tkInt64;
  } else if constexpr (std::is_floating_point_v<T>) {
    Info.Kind = tkFloat;
  } else if constexpr (std::is_same_v<T, std::string>) {
    Info.Kind = tkString;
  } else if constexpr (C::IsSet) {
    Info.Kind = tkSet;
    Info.ElementType = &TypeInfoOf<typename C::Element>();
  } else if constexpr (C::IsStaticArray || C::IsDynArray) {
    Info.Kind = C::IsStaticArray ? tkArray : tkDynArray;
    Info.ElementType = &TypeInfoOf<typename C::Element>();
    if constexpr (C::IsStaticArray) Info.ElementCount = std::tuple_size_v<T>;
  } else if constexpr (std::is_enum_v<T>) {
    static_assert(!std::is_enum_v<T>, "declare the enumeration's names with QUELLIT_ENUM_NAMES");
  } else if constexpr (std::is_pointer_v<T>) {
    Info.Kind = std::is_base_of_v<TObject, std::remove_cv_t<std::remove_pointer_t<T>>> ? tkClass : tkPointer;
  }
  return Info;
}

}  // namespace Detail

template <class T>
const TTypeInfo& TypeInfoOf() {
  if constexpr (Detail::HasTypeInfoHook<T>) {
    return QuellitTypeInfo(static_cast<const T*>(nullptr));
  } else {
    static const TTypeInfo Info = Detail::BuiltInTypeInfo<T>();
    return Info;
  }
}

template <class T>
constexpr bool IsHandledType() {
  using C = Detail::TContainerTraits<T>;
  if constexpr (std::is_same_v<T, bool> || Detail::IsSmallInteger<T> || std::is_floating_point_v<T> ||
                std::is_same_v<T, std::string> || C::IsSet)
    return true;
  else if constexpr (C::IsStaticArray || C::IsDynArray)
    return IsHandledType<typename C::Element>();
  else
    return (std::is_enum_v<T> || std::is_class_v<T>) && Detail::HasTypeInfoHook<T>;
}

template <class T>
TValue ToValue(const T& AValue) {
  using C = Detail::TContainerTraits<T>;
  if constexpr (!IsHandledType<T>()) {
    return TValue();
  } else if constexpr (std::is_same_v<T, bool>) {
    return TValue::FromInteger(AValue ? 1 : 0);
  } else if constexpr (Detail::IsSmallInteger<T> || std::is_enum_v<T>) {
    return TValue::FromInteger(static_cast<std::int64_t>(AValue));
  } else if constexpr (std::is_floating_point_v<T>) {
    return TValue::FromFloat(static_cast<double>(AValue));
  } else if constexpr (std::is_same_v<T, std::string>) {
    return TValue::FromString(AValue);
  } else if constexpr (C::IsSet) {
    return TValue::FromInteger(static_cast<std::int64_t>(AValue.Mask()));
  } else if constexpr (C::IsStaticArray || C::IsDynArray) {
    std::vector<TValue> Items;
    Items.reserve(AValue.size());
    for (const auto& Item : AValue) Items.push_back(ToValue<typename C::Element>(Item));
    return TValue::FromItems(std::move(Items));
  } else {
    const TTypeInfo& Info = TypeInfoOf<T>();
    std::vector<TValue> Items;
    for (const auto* Members : {&Info.RecordProperties, &Info.RecordFields})
      for (const TRecordMember& M : *Members) Items.push_back(M.Get(&AValue));
    return TValue::FromItems(std::move(Items));
  }
}

template <class T>
T FromValue(const TValue& AValue) {
  static_assert(IsHandledType<T>(), "values of this type do not travel through TValue");
  using C = Detail::TContainerTraits<T>;
  if constexpr (std::is_same_v<T, bool>) {
    return AValue.AsInteger() != 0;
  } else if constexpr (Detail::IsSmallInteger<T> || std::is_enum_v<T>) {
    return static_cast<T>(AValue.AsInteger());
  } else if constexpr (std::is_floating_point_v<T>) {
    return static_cast<T>(AValue.AsFloat());
  } else if constexpr (std::is_same_v<T, std::string>) {
    return AValue.AsString();
  } else if constexpr (C::IsSet) {
    return T::FromMask(static_cast<std::uint64_t>(AValue.AsInteger()));
  } else if constexpr (C::IsStaticArray) {
    Assert(AValue.Items().size() == std::tuple_size_v<T>, "static array of another length",
           "Lib/Common/Common.RTTIPropList");
    T Result{};
    for (std::size_t I = 0; I < Result.size(); ++I) Result[I] = FromValue<typename C::Element>(AValue.Items()[I]);
    return Result;
  } else if constexpr (C::IsDynArray) {
    T Result;
    for (const TValue& Item : AValue.Items()) Result.push_back(FromValue<typename C::Element>(Item));
    return Result;
  } else {
    const TTypeInfo& Info = TypeInfoOf<T>();
    Assert(AValue.Items().size() == Info.RecordProperties.size() + Info.RecordFields.size(),
           "record value of another shape", "Lib/Common/Common.RTTIPropList");
    T Result{};
    std::size_t Index = 0;
    for (const auto* Members : {&Info.RecordProperties, &Info.RecordFields})
      for (const TRecordMember& M : *Members) M.Set(&Result, AValue.Items()[Index++]);
    return Result;
  }
}

namespace Detail {

// Reads a property or record member through a getter function or a field.
template <class TOwner, class G>
using TGetterValue = std::remove_cvref_t<std::invoke_result_t<G, const TOwner&>>;

template <class V, class TOwner, class S>
void Store(TOwner& AOwner, S ASetter, const TValue& AValue) {
  if constexpr (!IsHandledType<V>())
    Assert(false, "a value of this kind cannot be stored", "Lib/Common/Common.RTTIPropList");
  else if constexpr (std::is_member_object_pointer_v<S>)
    std::invoke(ASetter, AOwner) = FromValue<V>(AValue);
  else
    std::invoke(ASetter, AOwner, FromValue<V>(AValue));
}

}  // namespace Detail

// Builds the description of a record type: its properties (getter and setter functions), then its
// fields.
template <class R>
class TRecordInfoBuilder {
 public:
  explicit TRecordInfoBuilder(std::string AName) {
    FInfo.Name = std::move(AName);
    FInfo.Kind = tkRecord;
  }
  template <class F>
  TRecordInfoBuilder& Field(std::string AName, F R::*AField) {
    FInfo.RecordFields.push_back(Member<F>(std::move(AName), AField, AField));
    return *this;
  }
  template <class G, class S>
  TRecordInfoBuilder& Property(std::string AName, G AGetter, S ASetter) {
    FInfo.RecordProperties.push_back(Member<Detail::TGetterValue<R, G>>(std::move(AName), AGetter, ASetter));
    return *this;
  }
  TTypeInfo Build() const { return FInfo; }

 private:
  template <class V, class G, class S>
  static TRecordMember Member(std::string AName, G AGetter, S ASetter) {
    return {std::move(AName), &TypeInfoOf<V>(),
            [AGetter](const void* ARecord) { return ToValue<V>(std::invoke(AGetter, *static_cast<const R*>(ARecord))); },
            [ASetter](void* ARecord, const TValue& AValue) { Detail::Store<V>(*static_cast<R*>(ARecord), ASetter, AValue); }};
  }

  TTypeInfo FInfo;
};

// Builds the description of the class T; AParent is the description of its base class (null for
// a class whose base publishes none).
//
//   const TClassInfo& TNBRegionInfo::StaticClassInfo() {
//     static const TClassInfo Info = TClassInfoBuilder<TNBRegionInfo>(nullptr)
//       .Property("Name", mvPublic, &TNBRegionInfo::Name, &TNBRegionInfo::SetName)
//       .Property("Connected", mvPublic, &TNBRegionInfo::Connected)  // read only
//       .Build();
//     return Info;
//   }
template <class T>
class TClassInfoBuilder {
 public:
  explicit TClassInfoBuilder(const TClassInfo* AParent, TAttributeList AAttributes = {})
      : FParent(AParent), FAttributes(std::move(AAttributes)) {}

  // AGetter and ASetter are member functions or fields of T; a null setter makes it read-only.
  template <class G, class S = std::nullptr_t>
  TClassInfoBuilder& Property(std::string AName, TMemberVisibility AVisibility, G AGetter, S ASetter = nullptr,
                              TAttributeList AAttributes = {}) {
    using V = Detail::TGetterValue<T, G>;
    TPropInfo Prop;
    Prop.Name = std::move(AName);
    Prop.Visibility = AVisibility;
    Prop.Attributes = std::move(AAttributes);
    Prop.Type = &TypeInfoOf<V>();
    Prop.Get = [AGetter](const TObject& AObject) { return ToValue<V>(std::invoke(AGetter, dynamic_cast<const T&>(AObject))); };
    if constexpr (!std::is_null_pointer_v<S>)
      Prop.Set = [ASetter](TObject& AObject, const TValue& AValue) { Detail::Store<V>(dynamic_cast<T&>(AObject), ASetter, AValue); };
    FProperties.push_back(std::move(Prop));
    return *this;
  }

  template <class M>
  TClassInfoBuilder& Method(std::string AName, M AMethod, TAttributeList AAttributes = {}) {
    TMethodInfo Info;
    Info.Name = std::move(AName);
    Info.Attributes = std::move(AAttributes);
    Info.Code = TMethodCode::Of(AMethod);
    FMethods.push_back(std::move(Info));
    return *this;
  }

  TClassInfo Build() const { return TClassInfo(typeid(T), FParent, FAttributes, FProperties, FMethods); }

 private:
  const TClassInfo* FParent;
  TAttributeList FAttributes;
  std::vector<TPropInfo> FProperties;
  std::vector<TMethodInfo> FMethods;
};

}  // namespace Quellit
