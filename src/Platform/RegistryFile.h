// The registry's file form: the text format of regedit exports ("Windows Registry Editor Version
// 5.00", also "REGEDIT4"), read into a tree of keys and written back from one. The POSIX backend
// keeps the whole registry in such a file; tests and the demo sandbox write theirs with it.
#pragma once

#include <cstdint>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Lib/Common/Common.Object.h"
#include "Platform/Registry.h"

namespace Quellit::Platform {

// A key with its values and subkeys, both in file order. Names compare without regard to case;
// each level keeps an index on the folded names, so finding, adding or deleting one subkey or
// value takes constant time however many siblings it has. The tree is freed level by level,
// never by recursion, so no depth of nesting can exhaust the stack.
class TRegistryNode : public TObject {
 public:
  using TSubKeyList = std::list<TRegistryNode>;
  using TValueList = std::list<TRegValue>;

  explicit TRegistryNode(std::string AName = {}) : FName(std::move(AName)) {}
  TRegistryNode(TRegistryNode&&) noexcept = default;
  TRegistryNode& operator=(TRegistryNode&&) = delete;
  TRegistryNode(const TRegistryNode&) = delete;
  TRegistryNode& operator=(const TRegistryNode&) = delete;
  ~TRegistryNode() override;

  const std::string& Name() const { return FName; }
  const TValueList& Values() const { return FValues; }
  const TSubKeyList& SubKeys() const { return FSubKeys; }

  // APath is relative, its parts separated by "\"; empty parts are skipped.
  const TRegistryNode* FindKey(std::string_view APath) const;
  TRegistryNode& CreateKey(std::string_view APath);
  void DeleteKey(std::string_view APath);  // with everything below it

  const TRegistryNode* FindSubKey(std::string_view AName) const;
  // The subkey AName, made (last in order) when missing; ACreated tells which happened.
  TRegistryNode& AddSubKey(std::string_view AName, bool& ACreated);
  void DeleteSubKey(std::string_view AName);

  const TRegValue* FindValue(std::string_view AName) const;
  TRegistryNode& SetValue(TRegValue AValue);  // replaces a value of the same name in place
  TRegistryNode& SetString(std::string AName, std::string_view AText) { return SetValue(TRegValue::String(std::move(AName), AText)); }
  TRegistryNode& SetInteger(std::string AName, std::uint32_t AValue) { return SetValue(TRegValue::Integer(std::move(AName), AValue)); }
  void DeleteValue(std::string_view AName);

 private:
  TRegistryNode* SubKeyToChange(std::string_view AName);

  std::string FName;
  TValueList FValues;
  TSubKeyList FSubKeys;
  // Folded name -> entry. List iterators stay valid while other entries come and go.
  std::unordered_map<std::string, TValueList::iterator> FValueIndex;
  std::unordered_map<std::string, TSubKeyList::iterator> FSubKeyIndex;
};

// What the reader keeps in memory is bounded: a file of at most MaxRegistryFileBytes (the
// registry refuses a larger one and reads as empty), its text, and a tree of at most
// MaxRegistryKeys keys nested at most MaxRegistryKeyDepth levels deep, the registry's own limit.
// A key line past either limit is a broken line. Values are bounded by the file itself.
constexpr std::uint64_t MaxRegistryFileBytes = std::uint64_t{128} << 20;
constexpr std::size_t MaxRegistryKeys = 2'000'000;
constexpr std::size_t MaxRegistryKeyDepth = 512;  // the hive counts as the first level

// The outcome of reading a file: the tree (its top keys are the hives, "HKEY_LOCAL_MACHINE"...)
// and the first line that could not be understood. Broken lines are skipped; a text without the
// export header yields an empty tree.
struct TRegistryParseResult {
  TRegistryNode Root;
  int BrokenLines = 0;
  int FirstBrokenLine = 0;  // 1-based
  std::string FirstProblem;
};

TRegistryParseResult ParseRegistryText(std::string_view AText);
// The export text of ARoot, lines ending with CR LF, as regedit writes it.
std::string FormatRegistryText(const TRegistryNode& ARoot);
// Writes ARoot as UTF-16LE with a byte-order mark, atomically.
void SaveRegistryFile(const std::string& APath, const TRegistryNode& ARoot);

}  // namespace Quellit::Platform
