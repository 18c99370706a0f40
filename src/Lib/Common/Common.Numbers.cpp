#include "Lib/Common/Common.Numbers.h"

#include <charconv>
#include <cstdint>

namespace Quellit {

bool TryStrToInt(std::string_view S, int& AValue) {
  while (!S.empty() && static_cast<unsigned char>(S.front()) <= ' ') S.remove_prefix(1);
  bool Negative = false;
  if (!S.empty() && (S.front() == '-' || S.front() == '+')) {
    Negative = S.front() == '-';
    S.remove_prefix(1);
  }
  int Base = 10;
  if (S.starts_with('$')) {
    Base = 16;
    S.remove_prefix(1);
  } else if (S.starts_with("0x") || S.starts_with("0X")) {
    Base = 16;
    S.remove_prefix(2);
  }
  if (S.empty() || S.front() == '-' || S.front() == '+') return false;
  std::uint64_t Magnitude = 0;
  auto [End, Error] = std::from_chars(S.data(), S.data() + S.size(), Magnitude, Base);
  if (Error != std::errc() || End != S.data() + S.size()) return false;
  const std::uint64_t Limit = Base == 16 ? 0xFFFFFFFFull : (Negative ? 0x80000000ull : 0x7FFFFFFFull);
  if (Magnitude > Limit) return false;
  const auto Value = static_cast<std::int64_t>(static_cast<std::int32_t>(static_cast<std::uint32_t>(Magnitude)));
  // Wraps to the 32-bit pattern: "-$80000000" stays -2147483648.
  AValue = static_cast<int>(static_cast<std::uint32_t>(Negative ? -Value : Value));
  return true;
}

int StrToIntDef(std::string_view S, int ADefault) {
  int Value = 0;
  return TryStrToInt(S, Value) ? Value : ADefault;
}

}  // namespace Quellit
