#include "SysInfo/SysInfo.Core.Application.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "Platform/Environment.h"
#include "Platform/NamedMutex.h"
#include "Platform/Process.h"
#include "Support/PathText.h"
#include "SysInfo/ProductSandbox.h"

namespace Quellit {
namespace {

using Testing::TProductSandbox;
using Testing::TScratchFolder;
namespace fs = std::filesystem;

// An edition of the test's own: only the operations it is given, in the 32-bit view unless told.
class TTestApplication : public TCustomApplicationInformation {
 public:
  TTestApplication(std::string AExeName, int AMajor, bool APlatform64 = false)
      : FExeName(std::move(AExeName)), FMajor(AMajor), FPlatform64(APlatform64) {}

  std::string RegistryKey() const override { return "{TEST}_is1"; }
  std::string ApplicationExeName() const override { return FExeName; }
  std::string MutexName() const override { return "Korvel_client"; }
  int MajorVersionDigit() const override { return FMajor; }
  bool ApplicationPlatform64() const override { return FPlatform64; }

 private:
  std::string FExeName;
  int FMajor;
  bool FPlatform64;
};

const std::string TestKey = "{TEST}_is1";

// ---- abstract operations -------------------------------------------------------------------------

struct TAbstractCase {
  const char* Operation;
  std::function<void(const TCustomApplicationInformation&)> Call;
};

const std::vector<TAbstractCase> AbstractCases = {
    {"RegistryKey", [](const auto& A) { A.RegistryKey(); }},
    {"ApplicationDisplayName", [](const auto& A) { A.ApplicationDisplayName(); }},
    {"ApplicationExeName", [](const auto& A) { A.ApplicationExeName(); }},
    {"DBaseFolder", [](const auto& A) { A.DBaseFolder(); }},
    {"MutexName", [](const auto& A) { A.MutexName(); }},
    {"PortableRelativePath", [](const auto& A) { A.PortableRelativePath(); }},
    {"MajorVersionDigit", [](const auto& A) { A.MajorVersionDigit(); }},
};

std::string MessageOf(const std::function<void()>& ACall) {
  try {
    ACall();
  } catch (const ECustomApplication& E) {
    EXPECT_EQ(E.ClassName(), "ECustomApplication");
    return E.Message();
  }
  return "(nothing raised)";
}

TEST(TCustomApplicationInformation, AbstractOperationsNameTheClassAskedAndTheOperation) {
  const auto& Base = TCustomApplicationInformation::Instance();
  for (const TAbstractCase& Case : AbstractCases)
    EXPECT_EQ(MessageOf([&] { Case.Call(Base); }),
              std::string("TCustomApplicationInformation exception. ") + Case.Operation + "() not implemented.");
  EXPECT_FALSE(Base.ApplicationPlatform64());

  TTestApplication Derived("App.exe", 8);
  EXPECT_EQ(MessageOf([&] { Derived.DBaseFolder(); }), "TTestApplication exception. DBaseFolder() not implemented.");
  EXPECT_EQ(MessageOf([&] { Derived.ApplicationDisplayName(); }),
            "TTestApplication exception. ApplicationDisplayName() not implemented.");
}

// ---- install folder and version ------------------------------------------------------------------

TEST(TCustomApplicationInformation, InstallFolderFromTheEditionsRegistryView) {
  TProductSandbox Sandbox;
  Sandbox.AddUninstallEntry(TestKey, false, Testing::AbsoluteSample("/opt/thirty-two"));
  Sandbox.AddUninstallEntry(TestKey, true, Testing::AbsoluteSample("/opt/sixty-four/"));
  EXPECT_EQ(TTestApplication("App.exe", 8).InstallFolder(), Testing::AbsoluteSample("/opt/thirty-two/"));
  EXPECT_EQ(TTestApplication("App.exe", 8, true).InstallFolder(), Testing::AbsoluteSample("/opt/sixty-four/"));
  EXPECT_EQ(TTestApplication("App.exe", 8).ApplicationPath(), Testing::AbsoluteSample("/opt/thirty-two/App.exe"));
}

TEST(TCustomApplicationInformation, WithoutAnUninstallEntryTheFolderIsTheRootAndNothingIsInstalled) {
  TProductSandbox Sandbox;
  TTestApplication App("App.exe", 8);
  EXPECT_EQ(App.InstallFolder(), Testing::NativePath("/"));
  EXPECT_FALSE(App.IsApplicationPresent());
  EXPECT_FALSE(App.IsApplicationInstalled());
  EXPECT_EQ(App.ApplicationVersion(), TDigitalFileVersionInfo{});
  EXPECT_EQ(App.ApplicationVersionInt(), 0u);
}

TEST(TCustomApplicationInformation, ThePortableSwitchTakesTheProgramsOwnFolderWhateverTheRegistrySays) {
  TProductSandbox Sandbox;
  Sandbox.AddUninstallEntry(TestKey, false, Testing::AbsoluteSample("/opt/thirty-two"));
  Sandbox.SetCommandLine({"-PORTABLE"});
  EXPECT_EQ(TTestApplication("App.exe", 8).InstallFolder(), Sandbox.ProgramFolder());
  EXPECT_EQ(TTestApplication("App.exe", 8, true).InstallFolder(), Sandbox.ProgramFolder());
}

TEST(TCustomApplicationInformation, VersionComesFromTheExecutablesResource) {
  TProductSandbox Sandbox;
  Sandbox.AddUninstallEntry(TestKey, false, Sandbox.Scratch() / "Product");
  Sandbox.PlaceFile("Product/App.exe", "full.exe");
  TTestApplication App("App.exe", 8);
  EXPECT_EQ(App.ApplicationVersion(), TDigitalFileVersionInfo::Create(8, 1, 2, 3));
  EXPECT_EQ(App.ApplicationVersionInt(), TDigitalFileVersionInfo::Create(8, 1, 2, 3).AsCardinal());
}

struct TInstalledCase {
  const char* Name;
  const char* Fixture;    // nullptr: no executable at all
  const char* Content;    // written instead of a fixture when set
  std::string ExeName;
  int Major;
  bool Present;
  bool Installed;
};

TEST(TCustomApplicationInformation, InstalledNeedsTheExecutableInTheFolderWithTheRightMajorVersion) {
  const std::vector<TInstalledCase> Cases = {
      {"version 8 where 8 is expected", "full.exe", nullptr, "App.exe", 8, true, true},
      {"version 6 where 8 is expected", "notrans.exe", nullptr, "App.exe", 8, true, false},
      {"version 6 where 6 is expected", "notrans.exe", nullptr, "App.exe", 6, true, true},
      {"no version resource", "noversion.exe", nullptr, "App.exe", 8, true, false},
      {"not a PE file", nullptr, "MZ but nothing more", "App.exe", 8, true, false},
      {"no executable", nullptr, nullptr, "App.exe", 8, false, false},
      {"executable name with a folder part", "full.exe", nullptr, "Client/App.exe", 8, true, false},
  };
  for (const TInstalledCase& Case : Cases) {
    TProductSandbox Sandbox;
    Sandbox.AddUninstallEntry(TestKey, false, Sandbox.Scratch() / "Product");
    fs::create_directories(Sandbox.Scratch() / "Product");
    if (Case.Fixture) Sandbox.PlaceFile("Product/" + Case.ExeName, Case.Fixture);
    if (Case.Content) Sandbox.Scratch().Write("Product/" + Case.ExeName, Case.Content);
    TTestApplication App(Case.ExeName, Case.Major);
    EXPECT_EQ(App.IsApplicationPresent(), Case.Present) << Case.Name;
    EXPECT_EQ(App.IsApplicationInstalled(), Case.Installed) << Case.Name;
  }
}

// The executable found in the install folder spelt in other letter case.
class TOtherCaseApplication : public TTestApplication {
 public:
  using TTestApplication::TTestApplication;
  std::string ApplicationPath() const override {
    std::string Folder = InstallFolder();
    return Folder.replace(Folder.rfind("Корвел"), std::string("Корвел").size(), "КОРВЕЛ") + ApplicationExeName();
  }
};

TEST(TCustomApplicationInformation, TheFolderComparisonIgnoresLetterCaseCyrillicIncluded) {
  TProductSandbox Sandbox;
  Sandbox.AddUninstallEntry(TestKey, false, Sandbox.Scratch() / "Корвел");
  Sandbox.PlaceFile("КОРВЕЛ/App.exe");
  TOtherCaseApplication App("App.exe", 8);
  EXPECT_TRUE(App.IsApplicationPresent());
  EXPECT_TRUE(App.IsApplicationInstalled());
}

// ---- IsApplicationRuning -------------------------------------------------------------------------

bool WaitFor(const std::function<bool()>& ACondition) {
  for (auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
       std::chrono::steady_clock::now() < Deadline; std::this_thread::sleep_for(std::chrono::milliseconds(10)))
    if (ACondition()) return true;
  return false;
}

// The test program re-run as the product client: it holds the client's mutex until the parent
// creates the file "release" in its signal folder.
bool RunClientRoleIfAsked() {
  if (Platform::GetEnv("QUELLIT_TEST_CHILD_ROLE") != "product-client") return false;
  std::string Signals = Platform::GetEnvOr("QUELLIT_TEST_SIGNALS", "/nonexistent");
  Platform::TNamedMutex Mutex("Korvel_client");
  std::ofstream(Signals + "/state") << (Mutex.AlreadyExists() ? "busy" : "held");
  bool Released = WaitFor([&] { return fs::exists(Signals + "/release"); });
  Platform::ExitProcess(Released ? 0 : 1);
}
[[maybe_unused]] const bool ClientRole = RunClientRoleIfAsked();

class IsApplicationRuningTest : public testing::Test {
 protected:
  std::unique_ptr<Platform::TChildProcess> StartClient() {
    fs::create_directory(Sandbox.Scratch() / "signals");
    auto Child = std::make_unique<Platform::TChildProcess>(
        Platform::ExecutablePath(), std::vector<std::string>{},
        Platform::TChildProcess::TEnvironment{{"QUELLIT_TEST_CHILD_ROLE", "product-client"},
                                              {"QUELLIT_TEST_SIGNALS", Sandbox.Scratch() / "signals"}});
    EXPECT_TRUE(WaitFor([&] { return !TScratchFolder::Read(Sandbox.Scratch() / "signals/state").empty(); }));
    EXPECT_EQ(TScratchFolder::Read(Sandbox.Scratch() / "signals/state"), "held");
    return Child;
  }

  TProductSandbox Sandbox;
  TTestApplication App{"App.exe", 8};
};

TEST_F(IsApplicationRuningTest, TrueWhileAnotherProcessHoldsTheMutex) {
  auto Client = StartClient();
  EXPECT_TRUE(App.IsApplicationRuning());
  EXPECT_TRUE(App.IsApplicationRuning());
  Sandbox.Scratch().Write("signals/release", "");
  EXPECT_EQ(Client->Wait(), 0);
  EXPECT_FALSE(App.IsApplicationRuning());
}

TEST_F(IsApplicationRuningTest, TheProbeLeavesNoHolderBehind) {
  EXPECT_FALSE(App.IsApplicationRuning());
  EXPECT_FALSE(App.IsApplicationRuning());
  EXPECT_FALSE(Platform::TNamedMutex("Korvel_client").AlreadyExists());
}

#ifdef _WIN32
// An edition whose mutex name lies in a namespace the session does not have. (A mutex that refuses
// access is no such case on Windows: it is another user's client, and counts as running.)
class TUnreachableMutexApplication : public TTestApplication {
 public:
  using TTestApplication::TTestApplication;
  std::string MutexName() const override { return "NoSuchNamespace\\Korvel_client"; }
};
#endif

TEST_F(IsApplicationRuningTest, AMutexThatCannotBeReachedIsAnErrorNotAnAnswer) {
#ifdef _WIN32
  EXPECT_THROW(TUnreachableMutexApplication("App.exe", 8).IsApplicationRuning(), EOSError);
#else
  // The lock file's folder is missing.
  Testing::TScopedEnvironment Environment;
  Environment.Set("XDG_RUNTIME_DIR", Sandbox.Scratch() / "no-such-folder");
  EXPECT_THROW(App.IsApplicationRuning(), EOSError);
#endif
}

}  // namespace
}  // namespace Quellit
