#include "Platform/Registry.h"

#include <gtest/gtest.h>

#include "Platform/KnownFolders.h"
#include "Support/PlatformSandbox.h"
#include "Platform/Win32/SystemCall.h"

namespace Quellit::Platform {
namespace {

constexpr auto LM = TRegistryRoot::LocalMachine;

// A key of the test's own written straight through the system in one view, removed afterwards.
class TSystemKey {
 public:
  TSystemKey(const std::string& APath, REGSAM AView) : FPath(WideOf(APath)), FView(AView) {
    HKEY Key = nullptr;
    EXPECT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, FPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | FView, nullptr, &Key, nullptr),
              ERROR_SUCCESS);
    const std::wstring Value = L"C:\\Корвел\\";
    ::RegSetValueExW(Key, L"InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                     static_cast<DWORD>((Value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(Key);
  }
  ~TSystemKey() { ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, FPath.c_str(), FView, 0); }
  TSystemKey(const TSystemKey&) = delete;
  TSystemKey& operator=(const TSystemKey&) = delete;

 private:
  std::wstring FPath;
  REGSAM FView;
};

struct TViewCase {
  const char* Written;  // the view the system wrote the key in
  REGSAM View;
  TRegistryView Present, Absent;
};

// Each view is the system's own: what the 32-bit view holds, the 64-bit one does not, and the
// other way round.
TEST(RegistryViews, AKeyWrittenInOneViewIsOnlyInThatView) {
  const TViewCase Cases[] = {
      {"32-bit", KEY_WOW64_32KEY, TRegistryView::Registry32, TRegistryView::Registry64},
      {"64-bit", KEY_WOW64_64KEY, TRegistryView::Registry64, TRegistryView::Registry32},
  };
  for (const TViewCase& Case : Cases) {
    SCOPED_TRACE(Case.Written);
    const std::string Path = "SOFTWARE\\" + Testing::OwnKeyName("QuellitViewTest");
    TSystemKey Key(Path, Case.View);
    EXPECT_TRUE(RegistryKeyExists(LM, Path, Case.Present));
    EXPECT_FALSE(RegistryKeyExists(LM, Path, Case.Absent));
    EXPECT_EQ(ReadRegistryString(LM, Path, "InstallLocation", Case.Present), "C:\\Корвел\\");
    EXPECT_EQ(ReadRegistryString(LM, Path, "InstallLocation", Case.Absent), "");
  }
}

// A value longer than any buffer guess and a value of a type the layer has no name for.
TEST(RegistryValues, LongAndUnnamedTypesReadWhole) {
  Testing::TScratchFolder Scratch;
  Testing::TRegistrySandbox Registry(Scratch);
  const std::string Path = "Software\\" + Testing::OwnKeyName("QuellitValueTest");
  TRegistryNode Root;
  std::string Long;
  for (int I = 0; I < 50000; ++I) Long += "жz";
  Root.CreateKey("HKEY_CURRENT_USER\\" + Path)
      .SetString("Long", Long)
      .SetValue(TRegValue{"BigEndian", static_cast<TRegDataType>(REG_DWORD_BIG_ENDIAN), {0, 0, 0, 1}});
  Registry.Apply(Root);
  const auto Key = TRegistryKey::Open(TRegistryRoot::CurrentUser, Path);
  ASSERT_TRUE(Key);
  EXPECT_EQ(Key->ReadString("Long"), Long);
  ASSERT_TRUE(Key->ReadValue("BigEndian"));
  EXPECT_EQ(Key->ReadValue("BigEndian")->Data, (std::vector<std::uint8_t>{0, 0, 0, 1}));
  EXPECT_EQ(Key->ReadInteger("BigEndian"), std::nullopt);
}

}  // namespace
}  // namespace Quellit::Platform
