#include "Platform/Registry.h"

#include <algorithm>

#include "Lib/Common/Common.Format.h"
#include "Platform/TextCodec.h"

namespace Quellit::Platform {
namespace {

std::string Utf16Bytes(std::string_view AText) { return EncodeText(AText, TTextEncoding::Utf16LE); }

std::vector<std::uint8_t> ToBytes(std::string_view AText) { return {AText.begin(), AText.end()}; }

// The key's path below its hive in the view: the 32-bit view of HKEY_LOCAL_MACHINE\SOFTWARE\X is
// HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\X, as on 64-bit Windows.
std::string ViewPath(TRegistryRoot ARoot, const std::string& APath, TRegistryView AView) {
  if (ARoot != TRegistryRoot::LocalMachine || AView != TRegistryView::Registry32) return APath;
  std::string_view Rest = APath;
  while (!Rest.empty() && Rest.front() == '\\') Rest.remove_prefix(1);
  const auto Delim = Rest.find('\\');
  const std::string_view First = Rest.substr(0, Delim);
  const std::string_view Tail = Delim == std::string_view::npos ? std::string_view() : Rest.substr(Delim + 1);
  if (!SameName(First, "SOFTWARE")) return APath;
  // A path already inside the redirected part is left as it is.
  if (SameName(Tail.substr(0, Tail.find('\\')), "WOW6432Node")) return APath;
  return std::string(First) + "\\WOW6432Node\\" + std::string(Tail);
}

}  // namespace

// ---- TRegValue ---------------------------------------------------------------------------------

TRegValue TRegValue::String(std::string AName, std::string_view AText, TRegDataType AType) {
  return {std::move(AName), AType, ToBytes(Utf16Bytes(AText) + std::string(2, '\0'))};
}

TRegValue TRegValue::Integer(std::string AName, std::uint32_t AValue) {
  return {std::move(AName), TRegDataType::rdInteger,
          {static_cast<std::uint8_t>(AValue), static_cast<std::uint8_t>(AValue >> 8),
           static_cast<std::uint8_t>(AValue >> 16), static_cast<std::uint8_t>(AValue >> 24)}};
}

TRegValue TRegValue::MultiString(std::string AName, const std::vector<std::string>& AStrings) {
  std::string Bytes;
  for (const std::string& S : AStrings) Bytes += Utf16Bytes(S) + std::string(2, '\0');
  return {std::move(AName), TRegDataType::rdMultiString, ToBytes(Bytes + std::string(2, '\0'))};
}

namespace {
// The UTF-16LE units of AData as text, split at zero characters.
std::vector<std::string> Utf16Strings(const std::vector<std::uint8_t>& AData) {
  std::vector<std::string> Strings(1);
  std::size_t Start = 0;
  for (std::size_t I = 0; I + 1 < AData.size(); I += 2) {
    if (AData[I] != 0 || AData[I + 1] != 0) continue;
    Strings.back() = DecodeAs(std::string_view(reinterpret_cast<const char*>(AData.data()) + Start, I - Start), TTextEncoding::Utf16LE);
    Strings.emplace_back();
    Start = I + 2;
  }
  if (Start < AData.size())
    Strings.back() = DecodeAs(std::string_view(reinterpret_cast<const char*>(AData.data()) + Start, AData.size() - Start), TTextEncoding::Utf16LE);
  return Strings;
}
}  // namespace

std::optional<std::string> TRegValue::AsString() const {
  if (DataType != TRegDataType::rdString && DataType != TRegDataType::rdExpandString) return std::nullopt;
  return Utf16Strings(Data).front();
}

std::optional<std::uint32_t> TRegValue::AsInteger() const {
  if (DataType != TRegDataType::rdInteger || Data.size() != 4) return std::nullopt;
  return static_cast<std::uint32_t>(Data[0]) | static_cast<std::uint32_t>(Data[1]) << 8 |
         static_cast<std::uint32_t>(Data[2]) << 16 | static_cast<std::uint32_t>(Data[3]) << 24;
}

std::optional<std::vector<std::string>> TRegValue::AsMultiString() const {
  if (DataType != TRegDataType::rdMultiString) return std::nullopt;
  std::vector<std::string> Strings = Utf16Strings(Data);
  // The list ends at the first empty string (the double zero).
  const auto End = std::find(Strings.begin(), Strings.end(), std::string());
  Strings.erase(End, Strings.end());
  return Strings;
}

// ---- TRegistryKey ------------------------------------------------------------------------------

std::optional<TRegistryKey> TRegistryKey::Open(TRegistryRoot ARoot, const std::string& APath, TRegistryView AView) {
  std::shared_ptr<const TKeyData> Data = OpenKeyData(ARoot, ViewPath(ARoot, APath, AView));
  if (!Data) return std::nullopt;
  return TRegistryKey(std::move(Data));
}

std::optional<std::string> TRegistryKey::ReadString(const std::string& AName) const {
  const TRegValue* Value = ReadValue(AName);
  if (!Value) return std::nullopt;
  if (auto Number = Value->AsInteger()) return Format("%u", *Number);
  return Value->AsString();
}

std::optional<std::uint32_t> TRegistryKey::ReadInteger(const std::string& AName) const {
  const TRegValue* Value = ReadValue(AName);
  return Value ? Value->AsInteger() : std::nullopt;
}

std::optional<std::vector<std::string>> TRegistryKey::ReadMultiString(const std::string& AName) const {
  const TRegValue* Value = ReadValue(AName);
  return Value ? Value->AsMultiString() : std::nullopt;
}

bool RegistryKeyExists(TRegistryRoot ARoot, const std::string& APath, TRegistryView AView) {
  return TRegistryKey::Open(ARoot, APath, AView).has_value();
}

std::string ReadRegistryString(TRegistryRoot ARoot, const std::string& APath, const std::string& AName, TRegistryView AView) {
  const auto Key = TRegistryKey::Open(ARoot, APath, AView);
  return Key ? Key->ReadString(AName).value_or("") : std::string();
}

}  // namespace Quellit::Platform

// Opening keys and reading their values from the system's registry.
#include "Registry.inc"
