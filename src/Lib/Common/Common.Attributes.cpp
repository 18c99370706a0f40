#include "Lib/Common/Common.Attributes.h"

#include <string_view>

#include "Lib/Common/Common.Format.h"

namespace Quellit {

namespace {

std::string WithPrefix(const std::string& AMessage) {
  return std::string_view(AMessage).starts_with(EAttributeError::Prefix) ? AMessage
                                                                          : EAttributeError::Prefix + AMessage;
}

}  // namespace

EAttributeError::EAttributeError(const std::string& AMessage) : Exception(WithPrefix(AMessage)) {}

EAttributeError EAttributeError::AttributeByClassNotFound(const std::type_info& AAttributeClass) {
  return EAttributeError(Format("Аттрибут класса \"%s\" не найден", ClassNameOf(AAttributeClass)));
}

EAttributeError EAttributeError::PropWithAttrNotFound(const std::type_info& AObjClass,
                                                      const std::type_info& AAttrClass) {
  return EAttributeError(Format("Не удалось найти свойство экземпляра класса %s, помеченное аттрибутом %s",
                                ClassNameOf(AObjClass), ClassNameOf(AAttrClass)));
}

EAttributeError EAttributeError::RttiNotPresented() { return EAttributeError("Отсутствует RTTI"); }

const TAttribute* FindAttribute(const TAttributeList& AAttributes, bool (*AMatches)(const TAttribute&)) {
  for (const auto& Attribute : AAttributes)
    if (Attribute && AMatches(*Attribute)) return Attribute.get();
  return nullptr;
}

const TAttributeList* FindMethodAttributes(const TMethod& AMethod) {
  if (!AMethod.Data) return nullptr;
  const TClassInfo* Class = ClassInfoOf(*AMethod.Data);
  if (!Class) return nullptr;
  for (const TMethodInfo* Method : Class->Methods())
    if (Method->Code == AMethod.Code) return &Method->Attributes;
  return nullptr;
}

}  // namespace Quellit
