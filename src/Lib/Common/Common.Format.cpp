#include "Common.Format.h"

#include <cstdio>
#include <vector>

#include "Common.Exception.h"

namespace Quellit {

namespace {

struct TSpec {
  bool LeftJustify = false;
  int Width = -1;
  int Precision = -1;
  char Type = 0;
};

[[noreturn]] void RaiseInvalid(std::string_view AFormat) {
  throw EConvertError("Format '" + std::string(AFormat) + "' invalid or incompatible with argument");
}

std::string Pad(std::string AText, const TSpec& ASpec) {
  if (ASpec.Width > 0 && AText.size() < static_cast<std::size_t>(ASpec.Width)) {
    std::string Fill(static_cast<std::size_t>(ASpec.Width) - AText.size(), ' ');
    AText = ASpec.LeftJustify ? AText + Fill : Fill + AText;
  }
  return AText;
}

std::string Digits(std::uint64_t AValue, bool AHex, int AMinDigits) {
  char Buffer[32];
  std::snprintf(Buffer, sizeof Buffer, AHex ? "%llX" : "%llu", static_cast<unsigned long long>(AValue));
  std::string Result = Buffer;
  if (AMinDigits > 0 && Result.size() < static_cast<std::size_t>(AMinDigits))
    Result.insert(0, static_cast<std::size_t>(AMinDigits) - Result.size(), '0');
  return Result;
}

std::string FormatInteger(const TFormatArg& AArg, const TSpec& ASpec, std::string_view AFormat) {
  const auto& V = AArg.Value();
  bool Negative = false;
  std::uint64_t Magnitude = 0;
  if (auto* S = std::get_if<std::int64_t>(&V)) {
    // %x of a negative value shows its 32-bit (or 64-bit) two's complement, as the runtime did.
    if (ASpec.Type == 'x' && *S < 0)
      Magnitude = *S >= INT32_MIN ? static_cast<std::uint32_t>(*S) : static_cast<std::uint64_t>(*S);
    else if (ASpec.Type == 'u' && *S < 0)
      Magnitude = static_cast<std::uint32_t>(*S);
    else {
      Negative = *S < 0;
      Magnitude = Negative ? 0 - static_cast<std::uint64_t>(*S) : static_cast<std::uint64_t>(*S);
    }
  } else if (auto* U = std::get_if<std::uint64_t>(&V)) {
    Magnitude = *U;
  } else {
    RaiseInvalid(AFormat);
  }
  return (Negative ? "-" : "") + Digits(Magnitude, ASpec.Type == 'x', ASpec.Precision);
}

std::string FormatFloat(const TFormatArg& AArg, const TSpec& ASpec, std::string_view AFormat) {
  const auto* D = std::get_if<double>(&AArg.Value());
  if (!D) RaiseInvalid(AFormat);
  int Precision = ASpec.Precision >= 0 ? ASpec.Precision : (ASpec.Type == 'g' ? 15 : 2);
  char Pattern[8] = {'%', '.', '*', ASpec.Type, 0};
  char Buffer[512];
  std::snprintf(Buffer, sizeof Buffer, Pattern, Precision, *D);
  return Buffer;
}

std::string FormatText(const TFormatArg& AArg, const TSpec& ASpec, std::string_view AFormat) {
  std::string Text;
  if (auto* V = std::get_if<std::string_view>(&AArg.Value())) Text = *V;
  else if (auto* S = std::get_if<std::string>(&AArg.Value())) Text = *S;
  else RaiseInvalid(AFormat);
  if (ASpec.Precision >= 0 && Text.size() > static_cast<std::size_t>(ASpec.Precision))
    Text.resize(static_cast<std::size_t>(ASpec.Precision));
  return Text;
}

// Reads a decimal number at APos; -1 when there is none.
int ReadNumber(std::string_view AFormat, std::size_t& APos) {
  if (APos >= AFormat.size() || AFormat[APos] < '0' || AFormat[APos] > '9') return -1;
  int Result = 0;
  while (APos < AFormat.size() && AFormat[APos] >= '0' && AFormat[APos] <= '9') {
    Result = Result * 10 + (AFormat[APos++] - '0');
    if (Result > 100000) RaiseInvalid(AFormat);
  }
  return Result;
}

}  // namespace

std::string FormatArgs(std::string_view AFormat, std::initializer_list<TFormatArg> AArgs) {
  std::vector<const TFormatArg*> Args;
  for (const auto& A : AArgs) Args.push_back(&A);
  std::string Result;
  std::size_t Next = 0;
  std::size_t Pos = 0;
  while (Pos < AFormat.size()) {
    char C = AFormat[Pos++];
    if (C != '%') {
      Result += C;
      continue;
    }
    if (Pos < AFormat.size() && AFormat[Pos] == '%') {
      Result += '%';
      ++Pos;
      continue;
    }
    TSpec Spec;
    std::size_t Mark = Pos;
    int Index = ReadNumber(AFormat, Pos);
    if (Index >= 0 && Pos < AFormat.size() && AFormat[Pos] == ':') {
      Next = static_cast<std::size_t>(Index);
      ++Pos;
    } else {
      Pos = Mark;
    }
    if (Pos < AFormat.size() && AFormat[Pos] == '-') {
      Spec.LeftJustify = true;
      ++Pos;
    }
    Spec.Width = ReadNumber(AFormat, Pos);
    if (Pos < AFormat.size() && AFormat[Pos] == '.') {
      ++Pos;
      Spec.Precision = ReadNumber(AFormat, Pos);
    }
    if (Pos >= AFormat.size() || Next >= Args.size()) RaiseInvalid(AFormat);
    Spec.Type = static_cast<char>(AFormat[Pos] | 0x20);  // type letters are case-insensitive
    ++Pos;
    const TFormatArg& Arg = *Args[Next++];
    switch (Spec.Type) {
      case 'd':
      case 'u':
      case 'x': Result += Pad(FormatInteger(Arg, Spec, AFormat), Spec); break;
      case 'f':
      case 'e':
      case 'g': Result += Pad(FormatFloat(Arg, Spec, AFormat), Spec); break;
      case 's': Result += Pad(FormatText(Arg, Spec, AFormat), Spec); break;
      default: RaiseInvalid(AFormat);
    }
  }
  return Result;
}

}  // namespace Quellit
