// Stores an object in an options section and restores it, driven by the object's class
// description: every public or published writable property without TNotSerializeAttribute becomes
// one value (or one subsection) named after the property.
#pragma once

#include <string>

#include "Lib/Common/Common.Attributes.h"
#include "Lib/Common/Common.OptionsStorage.h"
#include "Lib/Common/Common.RTTIPropList.h"

namespace Quellit {

class TOptionsSerializer : public TObject {
 public:
  // EAttributeError (RttiNotPresented) when AObject's class publishes no description.
  static void SerializeObject(IOptionsWriter& AWriter, const TObject& AObject);
  // A property whose value is not in the section keeps its current value; every serializable
  // property is set once through its setter.
  static void DeserializeObject(IOptionsReader& AReader, TObject& AObject);

  static bool ShouldSerialize(const TPropInfo& AProperty);
  static void WriteValue(IOptionsWriter& AWriter, const std::string& AName, const TValue& AValue,
                         const TTypeInfo& AType);
  // The value stored under AName, or ACurrent when nothing usable is stored.
  static TValue ReadValue(IOptionsReader& AReader, const std::string& AName, const TValue& ACurrent,
                          const TTypeInfo& AType);
};

}  // namespace Quellit
