// What a contract test of the platform layer changes of the machine, kept to the test and undone
// when it ends, on either backend:
//
// - the registry: the POSIX backend reads one regedit file, so the test's keys become a file in
//   the scratch folder named by QUELLIT_REGISTRY, and they are the whole registry. On Windows the
//   keys are written into the system's registry: keys the test created are deleted afterwards and
//   values it replaced get their old contents back. The rest of the registry is still there, so a
//   test reads only keys of its own (OwnKeyName) or values it set;
// - names the whole machine shares (mutexes): OwnKeyName gives one no other test process uses.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Lib/Text/Text.Engine.h"
#include "Platform/Environment.h"
#include "Platform/File.h"
#include "Platform/RegistryFile.h"
#include "Platform/TextCodec.h"
#include "Support/ScratchFolder.h"

// After the layer's headers: the system's macros (S_OK, DeleteFile...) must not rename them.
#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// Tests mean the layer's DeleteFile, not the system's narrow-or-wide macro.
#undef DeleteFile
#else
#include <unistd.h>
#endif

namespace Quellit::Testing {

// A name of this test process's own ("<APrefix>-<process id>"): tests run in parallel processes.
inline std::string OwnKeyName(const std::string& APrefix) {
#ifdef _WIN32
  return APrefix + "-" + std::to_string(::GetCurrentProcessId());
#else
  return APrefix + "-" + std::to_string(::getpid());
#endif
}

#ifdef _WIN32

class TRegistrySandbox {
 public:
  explicit TRegistrySandbox(const TScratchFolder&) {}
  TRegistrySandbox(const TRegistrySandbox&) = delete;
  TRegistrySandbox& operator=(const TRegistrySandbox&) = delete;
  ~TRegistrySandbox() {
    for (auto It = FOldValues.rbegin(); It != FOldValues.rend(); ++It) Restore(*It);
    for (auto It = FCreatedKeys.rbegin(); It != FCreatedKeys.rend(); ++It) DeleteTree(It->first, It->second);
  }

  // The keys and values of ARoot (its top keys are the hives) are in the registry from now on.
  void Apply(const Platform::TRegistryNode& ARoot) {
    for (const Platform::TRegistryNode& Hive : ARoot.SubKeys())
      for (const Platform::TRegistryNode& Key : Hive.SubKeys()) Write(HiveOf(Hive.Name()), Key.Name(), Key, false);
  }

 private:
  struct TOldValue {
    HKEY Hive;
    std::wstring Key, Name;
    bool Existed = false;
    DWORD Type = 0;
    std::vector<BYTE> Data;
  };

  static std::wstring Wide(const std::string& AText) {
    const std::u16string Units = Text::Utf8ToUtf16(AText);
    return std::wstring(Units.begin(), Units.end());
  }
  static HKEY HiveOf(const std::string& AName) {
    return Platform::SameName(AName, "HKEY_LOCAL_MACHINE") ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  }

  // Written in the 64-bit view, where "SOFTWARE\WOW6432Node" is the 32-bit view's own place.
  void Write(HKEY AHive, const std::string& APath, const Platform::TRegistryNode& ANode, bool AInsideNewKey) {
    HKEY Key = nullptr;
    DWORD Disposition = 0;
    if (::RegCreateKeyExW(AHive, Wide(APath).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &Key,
                          &Disposition) != ERROR_SUCCESS)
      throw std::runtime_error("cannot create the test key " + APath);
    const bool Created = Disposition == REG_CREATED_NEW_KEY;
    if (Created && !AInsideNewKey) FCreatedKeys.emplace_back(AHive, Wide(APath));
    for (const Platform::TRegValue& Value : ANode.Values()) {
      if (!Created && !AInsideNewKey) FOldValues.push_back(Saved(AHive, Key, APath, Value.Name));
      ::RegSetValueExW(Key, Wide(Value.Name).c_str(), 0, static_cast<DWORD>(Value.DataType), Value.Data.data(),
                       static_cast<DWORD>(Value.Data.size()));
    }
    ::RegCloseKey(Key);
    for (const Platform::TRegistryNode& SubKey : ANode.SubKeys())
      Write(AHive, APath + "\\" + SubKey.Name(), SubKey, AInsideNewKey || Created);
  }

  static TOldValue Saved(HKEY AHive, HKEY AKey, const std::string& APath, const std::string& AName) {
    TOldValue Old{AHive, Wide(APath), Wide(AName), false, 0, {}};
    DWORD Bytes = 0;
    if (::RegQueryValueExW(AKey, Old.Name.c_str(), nullptr, &Old.Type, nullptr, &Bytes) != ERROR_SUCCESS) return Old;
    Old.Data.resize(Bytes);
    Old.Existed = ::RegQueryValueExW(AKey, Old.Name.c_str(), nullptr, &Old.Type, Old.Data.data(), &Bytes) == ERROR_SUCCESS;
    return Old;
  }

  static void Restore(const TOldValue& AOld) {
    HKEY Key = nullptr;
    if (::RegOpenKeyExW(AOld.Hive, AOld.Key.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &Key) != ERROR_SUCCESS) return;
    if (AOld.Existed)
      ::RegSetValueExW(Key, AOld.Name.c_str(), 0, AOld.Type, AOld.Data.data(), static_cast<DWORD>(AOld.Data.size()));
    else
      ::RegDeleteValueW(Key, AOld.Name.c_str());
    ::RegCloseKey(Key);
  }

  static void DeleteTree(HKEY AHive, const std::wstring& APath) {
    const std::size_t Split = APath.rfind(L'\\');
    HKEY Parent = AHive;
    if (Split != std::wstring::npos &&
        ::RegOpenKeyExW(AHive, APath.substr(0, Split).c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &Parent) != ERROR_SUCCESS)
      return;
    const std::wstring Name = Split == std::wstring::npos ? APath : APath.substr(Split + 1);
    ::RegDeleteTreeW(Parent, Name.c_str());
    ::RegDeleteKeyExW(Parent, Name.c_str(), KEY_WOW64_64KEY, 0);
    if (Parent != AHive) ::RegCloseKey(Parent);
  }

  std::vector<std::pair<HKEY, std::wstring>> FCreatedKeys;
  std::vector<TOldValue> FOldValues;
};

#else

class TRegistrySandbox {
 public:
  explicit TRegistrySandbox(const TScratchFolder& AScratch) : FFile(AScratch / "sandbox-registry.reg") {
    FSaved = Platform::GetEnv("QUELLIT_REGISTRY");
    Platform::SetEnv("QUELLIT_REGISTRY", FFile);
  }
  TRegistrySandbox(const TRegistrySandbox&) = delete;
  TRegistrySandbox& operator=(const TRegistrySandbox&) = delete;
  ~TRegistrySandbox() { FSaved ? Platform::SetEnv("QUELLIT_REGISTRY", *FSaved) : Platform::UnsetEnv("QUELLIT_REGISTRY"); }

  // The keys and values of ARoot (its top keys are the hives) are in the registry from now on,
  // besides those applied before.
  void Apply(const Platform::TRegistryNode& ARoot) {
    Merge(ARoot, FRoot);
    Platform::SaveRegistryFile(FFile, FRoot);
  }

 private:
  static void Merge(const Platform::TRegistryNode& AFrom, Platform::TRegistryNode& ATo) {
    for (const Platform::TRegValue& Value : AFrom.Values()) ATo.SetValue(Value);
    for (const Platform::TRegistryNode& SubKey : AFrom.SubKeys()) {
      bool Created = false;
      Merge(SubKey, ATo.AddSubKey(SubKey.Name(), Created));
    }
  }

  Platform::TRegistryNode FRoot;
  std::string FFile;
  std::optional<std::string> FSaved;
};

#endif

}  // namespace Quellit::Testing
