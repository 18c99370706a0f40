// Format(): the printf-like formatter behind every message text. Specifiers follow the
// classic runtime's rules: %[index:][-][width][.precision]type with the types
//   d (signed), u (unsigned), x (hexadecimal, upper-case digits), s (text), f, e, g (floating),
// and %% for a percent sign. Precision on d/u/x is the minimum number of digits; on s a cut.
// A specifier that does not match its argument raises EConvertError naming the format.
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace Quellit {

class TFormatArg {
 public:
  template <std::signed_integral T>
  TFormatArg(T AValue) : FValue(static_cast<std::int64_t>(AValue)) {}
  template <std::unsigned_integral T>
  TFormatArg(T AValue) : FValue(static_cast<std::uint64_t>(AValue)) {}
  TFormatArg(bool AValue) : FValue(static_cast<std::int64_t>(AValue)) {}
  TFormatArg(char AValue) : FValue(std::string(1, AValue)) {}
  TFormatArg(double AValue) : FValue(AValue) {}
  TFormatArg(float AValue) : FValue(static_cast<double>(AValue)) {}
  TFormatArg(long double AValue) : FValue(static_cast<double>(AValue)) {}
  TFormatArg(const char* AValue) : FValue(std::string_view(AValue ? AValue : "")) {}
  TFormatArg(std::string_view AValue) : FValue(AValue) {}
  TFormatArg(const std::string& AValue) : FValue(std::string_view(AValue)) {}

  using TValue = std::variant<std::int64_t, std::uint64_t, double, std::string_view, std::string>;
  const TValue& Value() const { return FValue; }

 private:
  TValue FValue;
};

std::string FormatArgs(std::string_view AFormat, std::initializer_list<TFormatArg> AArgs);

template <class... TArgs>
std::string Format(std::string_view AFormat, const TArgs&... AArgs) {
  return FormatArgs(AFormat, {TFormatArg(AArgs)...});
}

}  // namespace Quellit
