// Bytes as upper-case hex pairs separated by blanks ("0A FF 00"), so byte-layout expectations
// read like a dump and a mismatch shows where it starts.
#pragma once

#include <cstdint>
#include <string>

#include "Lib/Common/Common.Streams.h"

namespace Quellit::Testing {

inline std::string Hex(const TBytes& ABytes) {
  static const char Digits[] = "0123456789ABCDEF";
  std::string Result;
  for (std::uint8_t B : ABytes) {
    if (!Result.empty()) Result += ' ';
    Result += Digits[B >> 4];
    Result += Digits[B & 15];
  }
  return Result;
}

}  // namespace Quellit::Testing
