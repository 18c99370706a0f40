// Helpers over streams and string lists. The typed stream operations themselves are declared as
// members of TStream (Common.Streams.h) and AddFormatted / AddNameValue as members of TStrings
// (Common.StringList.h); their code lives in Common.Helpers.Classes.cpp beside what is declared here.
#pragma once

#include <cstdint>

#include "Lib/Common/Common.Object.h"
#include "Lib/Common/Common.StringList.h"
#include "Lib/Common/Common.Streams.h"
#include "Lib/Common/Common.Variant.h"

namespace Quellit {

// An object that writes itself as a versioned record (TStream::SaveVersionedObject): a reader
// gets the writer's version and may stop before fields a newer writer added.
class IVersionedStreamPersist : public IInterface {
 public:
  static constexpr TGUID IID() { return TGUID::Parse("{5E0C7A21-9B3D-4F68-A1E4-2C7D8B6F3095}"); }
  virtual std::int32_t StreamVersion() = 0;
  virtual void WriteToStream(TStream& AStream) = 0;
  virtual void ReadFromStream(TStream& AStream, std::int32_t AVersion) = 0;
};
QUELLIT_REGISTER_INTERFACE(IVersionedStreamPersist);

// The stream's bytes cut to its size; the stream is freed.
TBytes ExtractBytes(TBytesStream* AStream);

// The 10-byte x87 extended form of a double (exact) and back (rounded to nearest even).
void DoubleToExtended(double AValue, std::uint8_t (&ABytes)[10]);
double ExtendedToDouble(const std::uint8_t (&ABytes)[10]);

}  // namespace Quellit
