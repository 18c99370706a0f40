#include "Lib/Common/Common.OptionsStorage.Serializer.h"

#include <cstdint>
#include <limits>
#include <vector>

#include "Lib/Common/Common.StringList.h"
#include "Lib/Common/Common.SysUtils.h"

namespace Quellit {

namespace {

constexpr const char* SourceUnit = "Lib/Common/Common.OptionsStorage.Serializer";
// A set is stored for the ordinals that fit in 4 bytes.
constexpr std::size_t MaxSetElements = 32;

std::string ItemName(std::size_t AIndex) { return "Item" + IntToStr(static_cast<std::int64_t>(AIndex)); }

// Arrays and records are stored as subsections of their own; other elements in a "Value".
bool IsStoredAsSection(const TTypeInfo& AType) { return AType.IsArray() || AType.Kind == tkRecord; }

std::vector<const TRecordMember*> RecordMembers(const TTypeInfo& AType) {
  std::vector<const TRecordMember*> Result;
  for (const auto* Members : {&AType.RecordProperties, &AType.RecordFields})
    for (const TRecordMember& M : *Members) Result.push_back(&M);
  return Result;
}

const TTypeInfo& SetElementType(const TTypeInfo& ASetType) {
  Assert(ASetType.ElementType != nullptr && ASetType.ElementType->EnumNames.size() <= MaxSetElements,
         "a set larger than 4 bytes", SourceUnit);
  return *ASetType.ElementType;
}

std::string SetToText(std::int64_t AMask, const TTypeInfo& ASetType) {
  const TTypeInfo& Elements = SetElementType(ASetType);
  std::string Result;
  for (std::size_t I = 0; I < Elements.EnumNames.size(); ++I) {
    if (((static_cast<std::uint64_t>(AMask) >> I) & 1u) == 0) continue;
    if (!Result.empty()) Result += ',';
    Result += Elements.EnumNames[I];
  }
  return Result;
}

std::int64_t TextToSet(const std::string& AText, const TTypeInfo& ASetType) {
  const TTypeInfo& Elements = SetElementType(ASetType);
  TStringList Parts;
  Parts.SetCommaText(AText);
  std::uint64_t Mask = 0;
  for (int I = 0; I < Parts.Count(); ++I) {
    int Ordinal = GetEnumValue(Elements, Parts[I]);
    if (Ordinal >= 0 && Ordinal < static_cast<int>(MaxSetElements)) Mask |= std::uint64_t{1} << Ordinal;
  }
  return static_cast<std::int64_t>(Mask);
}

// Files hold 32-bit signed integers; an unsigned 32-bit value travels as its bit pattern.
int ToStoredInteger(std::int64_t AValue) { return static_cast<int>(static_cast<std::int32_t>(AValue)); }

TValue ReadInteger(IOptionsReader& AReader, const std::string& AName, const TValue& ACurrent, const TTypeInfo& AType) {
  std::int64_t Value = AReader.ReadInteger(AName, ToStoredInteger(ACurrent.AsInteger()));
  if (Value < 0 && AType.MaxValue > std::numeric_limits<std::int32_t>::max()) Value += std::int64_t{1} << 32;
  // A number the property's type cannot hold would be cut to another value: keep the current one.
  if (Value < AType.MinValue || Value > AType.MaxValue) return ACurrent;
  return TValue::FromInteger(Value);
}

TValue ReadEnumeration(IOptionsReader& AReader, const std::string& AName, const TValue& ACurrent,
                       const TTypeInfo& AType) {
  std::string Text = AReader.ReadString(AName, "");
  int Ordinal = Text.empty() ? -1 : GetEnumValue(AType, Text);
  return Ordinal < 0 ? ACurrent : TValue::FromInteger(Ordinal);
}

TValue ReadArray(IOptionsReader& AReader, const std::string& AName, const TValue& ACurrent, const TTypeInfo& AType) {
  TIntf<IOptionsReader> Section = AReader.OpenSubReader(AName);
  if (Section->IsEmptySection()) return ACurrent;
  const TTypeInfo& Element = *AType.ElementType;
  std::vector<TValue> Items;
  // Every child is an element, whatever its name.
  for (const std::string& Child : Section->ReadSubkeyNames()) {
    if (IsStoredAsSection(Element)) {
      Items.push_back(TOptionsSerializer::ReadValue(*Section, Child, Element.ZeroValue(), Element));
    } else {
      TIntf<IOptionsReader> Item = Section->OpenSubReader(Child);
      Items.push_back(TOptionsSerializer::ReadValue(*Item, "Value", Element.ZeroValue(), Element));
    }
  }
  if (AType.Kind == tkArray && Items.size() != AType.ElementCount) return ACurrent;
  return TValue::FromItems(std::move(Items));
}

TValue ReadRecord(IOptionsReader& AReader, const std::string& AName, const TValue& ACurrent, const TTypeInfo& AType) {
  TIntf<IOptionsReader> Section = AReader.OpenSubReader(AName);
  if (Section->IsEmptySection()) return ACurrent;
  std::vector<const TRecordMember*> Members = RecordMembers(AType);
  std::vector<TValue> Items;
  for (std::size_t I = 0; I < Members.size(); ++I)
    Items.push_back(TOptionsSerializer::ReadValue(*Section, Members[I]->Name, ACurrent.Items()[I], *Members[I]->Type));
  return TValue::FromItems(std::move(Items));
}

void WriteArray(IOptionsWriter& AWriter, const std::string& AName, const TValue& AValue, const TTypeInfo& AType) {
  TIntf<IOptionsWriter> Section = AWriter.OpenSubWriter(AName);
  // Cleared first, so that a shorter array leaves no items of a longer one behind.
  Section->Clear();
  const TTypeInfo& Element = *AType.ElementType;
  const std::vector<TValue>& Items = AValue.Items();
  for (std::size_t I = 0; I < Items.size(); ++I) {
    if (IsStoredAsSection(Element)) {
      TOptionsSerializer::WriteValue(*Section, ItemName(I), Items[I], Element);
    } else {
      TIntf<IOptionsWriter> Item = Section->OpenSubWriter(ItemName(I));
      TOptionsSerializer::WriteValue(*Item, "Value", Items[I], Element);
    }
  }
}

void WriteRecord(IOptionsWriter& AWriter, const std::string& AName, const TValue& AValue, const TTypeInfo& AType) {
  TIntf<IOptionsWriter> Section = AWriter.OpenSubWriter(AName);
  std::vector<const TRecordMember*> Members = RecordMembers(AType);
  for (std::size_t I = 0; I < Members.size(); ++I)
    TOptionsSerializer::WriteValue(*Section, Members[I]->Name, AValue.Items()[I], *Members[I]->Type);
}

std::string EnumName(const TValue& AValue, const TTypeInfo& AType) {
  std::int64_t Ordinal = AValue.AsInteger();
  Assert(Ordinal >= 0 && Ordinal < static_cast<std::int64_t>(AType.EnumNames.size()),
         "enumeration value out of range", SourceUnit);
  return AType.EnumNames[static_cast<std::size_t>(Ordinal)];
}

bool IsHandledKind(TTypeKind AKind) {
  switch (AKind) {
    case tkInteger: case tkEnumeration: case tkFloat: case tkString:
    case tkSet: case tkArray: case tkDynArray: case tkRecord:
      return true;
    default:
      return false;
  }
}

const TClassInfo& DescriptionOf(const TObject& AObject) {
  const TClassInfo* Class = ClassInfoOf(AObject);
  if (!Class) throw EAttributeError::RttiNotPresented();
  return *Class;
}

}  // namespace

bool TOptionsSerializer::ShouldSerialize(const TPropInfo& AProperty) {
  if (!AProperty.Type) throw EAttributeError::RttiNotPresented();
  return (AProperty.Visibility == mvPublic || AProperty.Visibility == mvPublished) &&
         !HasAttribute<TNotSerializeAttribute>(AProperty.Attributes) && AProperty.Writable();
}

void TOptionsSerializer::SerializeObject(IOptionsWriter& AWriter, const TObject& AObject) {
  for (const TPropInfo* Prop : DescriptionOf(AObject).Properties())
    if (ShouldSerialize(*Prop)) WriteValue(AWriter, Prop->Name, Prop->Get(AObject), *Prop->Type);
}

void TOptionsSerializer::DeserializeObject(IOptionsReader& AReader, TObject& AObject) {
  for (const TPropInfo* Prop : DescriptionOf(AObject).Properties()) {
    // Values of other kinds never travel through the serializer, so their setters are not run.
    if (!ShouldSerialize(*Prop) || !IsHandledKind(Prop->Type->Kind)) continue;
    Prop->Set(AObject, ReadValue(AReader, Prop->Name, Prop->Get(AObject), *Prop->Type));
  }
}

void TOptionsSerializer::WriteValue(IOptionsWriter& AWriter, const std::string& AName, const TValue& AValue,
                                    const TTypeInfo& AType) {
  switch (AType.Kind) {
    case tkInteger:
      AWriter.WriteInteger(AName, ToStoredInteger(AValue.AsInteger()), 0);
      break;
    case tkEnumeration:
      AWriter.WriteString(AName, EnumName(AValue, AType), "");
      break;
    case tkFloat:
      AWriter.WriteFloat(AName, AValue.AsFloat(), 0);
      break;
    case tkString:
      AWriter.WriteString(AName, AValue.AsString(), "");
      break;
    case tkSet:
      AWriter.WriteString(AName, SetToText(AValue.AsInteger(), AType), "");
      break;
    case tkArray:
    case tkDynArray:
      WriteArray(AWriter, AName, AValue, AType);
      break;
    case tkRecord:
      WriteRecord(AWriter, AName, AValue, AType);
      break;
    default:
      break;
  }
}

TValue TOptionsSerializer::ReadValue(IOptionsReader& AReader, const std::string& AName, const TValue& ACurrent,
                                     const TTypeInfo& AType) {
  if (AType.IsArray()) return ReadArray(AReader, AName, ACurrent, AType);
  if (AType.Kind == tkRecord) return ReadRecord(AReader, AName, ACurrent, AType);
  if (!IsHandledKind(AType.Kind) || !AReader.ValueExists(AName)) return ACurrent;
  switch (AType.Kind) {
    case tkInteger:
      return ReadInteger(AReader, AName, ACurrent, AType);
    case tkEnumeration:
      return ReadEnumeration(AReader, AName, ACurrent, AType);
    case tkFloat:
      return TValue::FromFloat(static_cast<double>(AReader.ReadFloat(AName, ACurrent.AsFloat())));
    case tkString:
      return TValue::FromString(AReader.ReadString(AName, ACurrent.AsString()));
    default:  // tkSet
      return TValue::FromInteger(TextToSet(AReader.ReadString(AName, ""), AType));
  }
}

}  // namespace Quellit
