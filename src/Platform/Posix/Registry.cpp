#include "Platform/Registry.h"

#include <cstdio>
#include <functional>
#include <mutex>
#include <set>

#include "Lib/Common/Common.Exception.h"
#include "Lib/Common/Common.Format.h"
#include "Platform/Environment.h"
#include "Platform/FileSnapshot.h"
#include "Platform/TextCodec.h"

namespace Quellit::Platform {
namespace {

constexpr const char* DefaultRegistryPath = "/etc/quellit/registry.reg";

// The parsed registry file of the last read, and what it was read from.
struct TRegistryCache {
  std::mutex Lock;
  TFileSnapshot File{MaxRegistryFileBytes};
  std::shared_ptr<const TRegistryNode> Root;
  std::set<std::size_t> Reported;  // files (path and content) already warned about
};

TRegistryCache& Cache() {
  static TRegistryCache Instance;
  return Instance;
}

// One warning per file content: the registry is read often, the problem needs saying once.
void Warn(TRegistryCache& ACache, const std::string& AText) {
  const std::string Identity = ACache.File.Path() + '\0' + ACache.File.Bytes() + '\0' + ACache.File.ReadError().value_or("");
  if (!ACache.Reported.insert(std::hash<std::string>()(Identity)).second) return;
  std::fputs(("warning: " + AText + "\n").c_str(), stderr);
}

// Reading the registry never fails its callers: whatever cannot be read, they see as missing.
std::shared_ptr<const TRegistryNode> Parse(TRegistryCache& ACache) {
  const std::string& Path = ACache.File.Path();
  // A missing file is an empty registry, nothing to warn about: the product is just not installed.
  if (!ACache.File.Exists()) return std::make_shared<const TRegistryNode>();
  std::optional<std::string> Error = ACache.File.ReadError();
  std::shared_ptr<TRegistryParseResult> Parsed;
  if (!Error) {
    try {
      Parsed = std::make_shared<TRegistryParseResult>(ParseRegistryText(DecodeText(ACache.File.Bytes()).Text));
    } catch (const Exception& E) {
      Error = E.Message();
    }
  }
  if (Error) {
    Warn(ACache, Format("registry file %s cannot be read, the registry is empty: %s", Path, *Error));
    return std::make_shared<const TRegistryNode>();
  }
  if (Parsed->BrokenLines > 0)
    Warn(ACache, Format("%s:%d: registry file line not understood (%s); %d broken line(s) ignored", Path,
                        Parsed->FirstBrokenLine, Parsed->FirstProblem, Parsed->BrokenLines));
  return std::shared_ptr<const TRegistryNode>(Parsed, &Parsed->Root);
}

// The registry as the file holds it now.
std::shared_ptr<const TRegistryNode> CurrentRegistry() {
  const std::string Path = GetEnvOr("QUELLIT_REGISTRY", DefaultRegistryPath);
  TRegistryCache& State = Cache();
  std::lock_guard Guard(State.Lock);
  if (State.File.Update(Path) || !State.Root) State.Root = Parse(State);
  return State.Root;
}

// The key's path from the top of the tree, the 32-bit view redirected.
std::string TreePath(TRegistryRoot ARoot, const std::string& APath, TRegistryView AView) {
  std::string Hive = ARoot == TRegistryRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
  if (ARoot != TRegistryRoot::LocalMachine || AView != TRegistryView::Registry32) return Hive + "\\" + APath;
  std::string_view Rest = APath;
  while (!Rest.empty() && Rest.front() == '\\') Rest.remove_prefix(1);
  const auto Delim = Rest.find('\\');
  const std::string_view First = Rest.substr(0, Delim);
  const std::string_view Tail = Delim == std::string_view::npos ? std::string_view() : Rest.substr(Delim + 1);
  if (!SameName(First, "SOFTWARE")) return Hive + "\\" + APath;
  // A path already inside the redirected part is left as it is.
  if (SameName(Tail.substr(0, Tail.find('\\')), "WOW6432Node")) return Hive + "\\" + APath;
  return Hive + "\\" + std::string(First) + "\\WOW6432Node\\" + std::string(Tail);
}

}  // namespace

std::optional<TRegistryKey> TRegistryKey::Open(TRegistryRoot ARoot, const std::string& APath, TRegistryView AView) {
  std::shared_ptr<const TRegistryNode> Root = CurrentRegistry();
  const TRegistryNode* Node = Root->FindKey(TreePath(ARoot, APath, AView));
  if (!Node) return std::nullopt;
  return TRegistryKey(std::shared_ptr<const TRegistryNode>(Root, Node));
}

const TRegValue* TRegistryKey::ReadValue(const std::string& AName) const { return FNode->FindValue(AName); }

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

std::vector<std::string> TRegistryKey::GetKeyNames() const {
  std::vector<std::string> Names;
  for (const TRegistryNode& SubKey : FNode->SubKeys()) Names.push_back(SubKey.Name());
  return Names;
}

std::vector<std::string> TRegistryKey::GetValueNames() const {
  std::vector<std::string> Names;
  for (const TRegValue& Value : FNode->Values()) Names.push_back(Value.Name);
  return Names;
}

bool RegistryKeyExists(TRegistryRoot ARoot, const std::string& APath, TRegistryView AView) {
  return TRegistryKey::Open(ARoot, APath, AView).has_value();
}

std::string ReadRegistryString(TRegistryRoot ARoot, const std::string& APath, const std::string& AName, TRegistryView AView) {
  const auto Key = TRegistryKey::Open(ARoot, APath, AView);
  return Key ? Key->ReadString(AName).value_or("") : std::string();
}

}  // namespace Quellit::Platform
