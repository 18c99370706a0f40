#include "Lib/Common/Common.RTTIPropList.h"


#include <cstdlib>
#include <map>
#include <mutex>
#include <typeindex>

#include "Lib/Common/Common.StringList.h"
#include "Lib/Common/Common.SysUtils.h"

namespace Quellit {

namespace {

constexpr const char* SourceUnit = "Lib/Common/Common.RTTIPropList";

struct TClassRegistry {
  std::mutex Lock;
  std::map<std::type_index, const TClassInfo& (*)()> Getters;
};

// Built on first use: classes register from static initialisers of any translation unit.
TClassRegistry& Registry() {
  static TClassRegistry Instance;
  return Instance;
}

}  // namespace

// ---- TValue ---------------------------------------------------------------------------------

TValue TValue::FromInteger(std::int64_t AValue) {
  TValue Result;
  Result.FData = AValue;
  return Result;
}

TValue TValue::FromFloat(double AValue) {
  TValue Result;
  Result.FData = AValue;
  return Result;
}

TValue TValue::FromString(std::string AValue) {
  TValue Result;
  Result.FData = std::move(AValue);
  return Result;
}

TValue TValue::FromItems(std::vector<TValue> AItems) {
  TValue Result;
  Result.FData = std::move(AItems);
  return Result;
}

std::int64_t TValue::AsInteger() const {
  const auto* Value = std::get_if<std::int64_t>(&FData);
  Assert(Value != nullptr, "the value is not an ordinal", SourceUnit);
  return *Value;
}

double TValue::AsFloat() const {
  const auto* Value = std::get_if<double>(&FData);
  Assert(Value != nullptr, "the value is not a floating-point number", SourceUnit);
  return *Value;
}

const std::string& TValue::AsString() const {
  const auto* Value = std::get_if<std::string>(&FData);
  Assert(Value != nullptr, "the value is not a string", SourceUnit);
  return *Value;
}

const std::vector<TValue>& TValue::Items() const {
  const auto* Value = std::get_if<std::vector<TValue>>(&FData);
  Assert(Value != nullptr, "the value is not an array or a record", SourceUnit);
  return *Value;
}

// ---- type descriptions ----------------------------------------------------------------------

TValue TTypeInfo::ZeroValue() const {
  switch (Kind) {
    case tkInteger:
    case tkEnumeration:
    case tkSet:
      return TValue::FromInteger(0);
    case tkFloat:
      return TValue::FromFloat(0);
    case tkString:
      return TValue::FromString({});
    case tkArray:
      return TValue::FromItems(std::vector<TValue>(ElementCount, ElementType->ZeroValue()));
    case tkDynArray:
      return TValue::FromItems({});
    case tkRecord: {
      std::vector<TValue> Items;
      for (const auto* Members : {&RecordProperties, &RecordFields})
        for (const TRecordMember& M : *Members) Items.push_back(M.Type->ZeroValue());
      return TValue::FromItems(std::move(Items));
    }
    default:
      return TValue();
  }
}

TTypeInfo EnumTypeInfo(std::string AName, std::vector<std::string> ANames) {
  TTypeInfo Info;
  Info.Name = std::move(AName);
  Info.Kind = tkEnumeration;
  Info.EnumNames = std::move(ANames);
  Info.MinValue = 0;
  Info.MaxValue = static_cast<std::int64_t>(Info.EnumNames.size()) - 1;
  return Info;
}

void GetEnumNames(const TTypeInfo& ATypeInfo, TStrings& AStrings) {
  const TTypeInfo* Enum = ATypeInfo.Kind == tkSet ? ATypeInfo.ElementType : &ATypeInfo;
  Assert(Enum != nullptr && Enum->Kind == tkEnumeration, "not an enumeration or set type", SourceUnit);
  for (std::size_t I = 0; I < Enum->EnumNames.size(); ++I)
    AStrings.AddInteger(Enum->EnumNames[I], static_cast<std::int64_t>(I));
}

int GetEnumValue(const TTypeInfo& ATypeInfo, const std::string& AName) {
  Assert(ATypeInfo.Kind == tkEnumeration, "not an enumeration type", SourceUnit);
  for (std::size_t I = 0; I < ATypeInfo.EnumNames.size(); ++I)
    if (AnsiSameText(ATypeInfo.EnumNames[I], AName)) return static_cast<int>(I);
  return -1;
}

// ---- class descriptions ---------------------------------------------------------------------

bool operator==(const TMethodCode& A, const TMethodCode& B) {
  if (A.FType == nullptr || B.FType == nullptr) return A.FType == B.FType;
  return *A.FType == *B.FType && A.FBytes == B.FBytes;
}

TClassInfo::TClassInfo(const std::type_info& AType, const TClassInfo* AParent, TAttributeList AAttributes,
                       std::vector<TPropInfo> AProperties, std::vector<TMethodInfo> AMethods)
    : FType(&AType),
      FParent(AParent),
      FAttributes(std::move(AAttributes)),
      FProperties(std::move(AProperties)),
      FMethods(std::move(AMethods)) {}

std::vector<const TPropInfo*> TClassInfo::Properties() const {
  std::vector<const TPropInfo*> Result;
  for (const TClassInfo* Class = this; Class; Class = Class->FParent)
    for (const TPropInfo& Prop : Class->FProperties) Result.push_back(&Prop);
  return Result;
}

std::vector<const TMethodInfo*> TClassInfo::Methods() const {
  std::vector<const TMethodInfo*> Result;
  for (const TClassInfo* Class = this; Class; Class = Class->FParent)
    for (const TMethodInfo& Method : Class->FMethods) Result.push_back(&Method);
  return Result;
}

bool TClassInfo::InheritsFrom(const TClassInfo& AClass) const {
  for (const TClassInfo* Class = this; Class; Class = Class->FParent)
    if (Class == &AClass) return true;
  return false;
}

bool RegisterClassInfo(const std::type_info& AType, const TClassInfo& (*AGetter)()) {
  TClassRegistry& R = Registry();
  std::lock_guard Guard(R.Lock);
  R.Getters[std::type_index(AType)] = AGetter;
  return true;
}

const TClassInfo* FindClassInfo(const std::type_info& AType) {
  const TClassInfo& (*Getter)() = nullptr;
  {
    TClassRegistry& R = Registry();
    std::lock_guard Guard(R.Lock);
    auto It = R.Getters.find(std::type_index(AType));
    if (It == R.Getters.end()) return nullptr;
    Getter = It->second;
  }
  // Called outside the lock: building a description may look up its base's.
  return &Getter();
}

}  // namespace Quellit
