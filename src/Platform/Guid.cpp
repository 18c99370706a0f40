#include "Platform/Guid.h"

#include <cstring>

#include "Platform/Random.h"

namespace Quellit::Platform {

TGUID NewGuid() {
  std::uint8_t Bytes[16];
  FillRandom(Bytes, sizeof Bytes);
  TGUID Result;
  std::memcpy(&Result.D1, Bytes, 4);
  std::memcpy(&Result.D2, Bytes + 4, 2);
  std::memcpy(&Result.D3, Bytes + 6, 2);
  std::memcpy(Result.D4, Bytes + 8, 8);
  Result.D3 = static_cast<std::uint16_t>((Result.D3 & 0x0FFF) | 0x4000);    // version 4: random
  Result.D4[0] = static_cast<std::uint8_t>((Result.D4[0] & 0x3F) | 0x80);  // RFC 4122 variant
  return Result;
}

}  // namespace Quellit::Platform
