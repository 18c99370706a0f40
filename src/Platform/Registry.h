// The registry: the machine-wide hive (HKEY_LOCAL_MACHINE, in its 32-bit and 64-bit views) and
// the per-user hive (HKEY_CURRENT_USER), read-only, seen as on 64-bit Windows: the 32-bit view of
// HKEY_LOCAL_MACHINE\SOFTWARE\X is HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\X. Key and value names
// compare without regard to case. Reading never fails the caller: what cannot be read is missing.
//
// The POSIX backend stands in with one regedit export, $QUELLIT_REGISTRY (default
// /etc/quellit/registry.reg), parsed once and again when it changes (its path, size or modification
// time; its bytes while that time is too recent to trust). A file that cannot be read reads as an
// empty registry, and broken lines as missing keys and values; either is reported once per file
// content on standard error.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Lib/Common/Common.Object.h"

namespace Quellit::Platform {

// Value types by their registry numbers (REG_SZ is 1, ...).
enum class TRegDataType : std::uint32_t {
  rdNone = 0,
  rdString = 1,
  rdExpandString = 2,
  rdBinary = 3,
  rdInteger = 4,
  rdMultiString = 7,
  rdQWord = 11
};

// One value as the registry stores it: strings are UTF-16LE with a terminating zero.
struct TRegValue {
  std::string Name;  // "" is the key's default value ("@" in the file)
  TRegDataType DataType = TRegDataType::rdString;
  std::vector<std::uint8_t> Data;

  static TRegValue String(std::string AName, std::string_view AText, TRegDataType AType = TRegDataType::rdString);
  static TRegValue Integer(std::string AName, std::uint32_t AValue);
  static TRegValue MultiString(std::string AName, const std::vector<std::string>& AStrings);

  // The text of a string or expandable string (unexpanded), up to the first zero character.
  std::optional<std::string> AsString() const;
  std::optional<std::uint32_t> AsInteger() const;  // a four-byte integer value
  std::optional<std::vector<std::string>> AsMultiString() const;
};

enum class TRegistryRoot { LocalMachine, CurrentUser };
// Which part of HKEY_LOCAL_MACHINE\SOFTWARE a key is looked up in; the per-user hive has one view.
enum class TRegistryView { Registry32, Registry64 };

// An open key, read-only. It keeps the registry contents it was opened on.
class TRegistryKey : public TObject {
 public:
  // The key, or nothing when it does not exist. APath is relative to the hive, parts separated by "\".
  static std::optional<TRegistryKey> Open(TRegistryRoot ARoot, const std::string& APath,
                                          TRegistryView AView = TRegistryView::Registry64);

  // "" names the default value. Strings and expandable strings (unexpanded) as they are; a
  // four-byte integer as its decimal text; other types are not strings.
  std::optional<std::string> ReadString(const std::string& AName) const;
  std::optional<std::uint32_t> ReadInteger(const std::string& AName) const;
  std::optional<std::vector<std::string>> ReadMultiString(const std::string& AName) const;
  const TRegValue* ReadValue(const std::string& AName) const;
  bool ValueExists(const std::string& AName) const { return ReadValue(AName) != nullptr; }
  // Names in the order the registry keeps them.
  std::vector<std::string> GetKeyNames() const;
  std::vector<std::string> GetValueNames() const;

 private:
  // What the backend keeps of an open key.
  struct TKeyData;
  explicit TRegistryKey(std::shared_ptr<const TKeyData> AData) : FData(std::move(AData)) {}
  // The key at APath below the hive, the view already applied; null when it does not exist.
  static std::shared_ptr<const TKeyData> OpenKeyData(TRegistryRoot ARoot, const std::string& APath);

  std::shared_ptr<const TKeyData> FData;
};

bool RegistryKeyExists(TRegistryRoot ARoot, const std::string& APath, TRegistryView AView = TRegistryView::Registry64);
// The string value, or "" when the key or the value is missing or is not a string.
std::string ReadRegistryString(TRegistryRoot ARoot, const std::string& APath, const std::string& AName,
                               TRegistryView AView = TRegistryView::Registry64);

}  // namespace Quellit::Platform
