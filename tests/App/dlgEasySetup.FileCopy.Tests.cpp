#include "App/dlgEasySetup.FileCopy.h"

#include <gtest/gtest.h>

#include <numeric>

#include "Support/PathText.h"
#include "WizardSandbox.h"

namespace Quellit {
namespace {

namespace fs = std::filesystem;
using Testing::TScratchFolder;
using Testing::TWizard;
using Testing::TWizardSandbox;

std::string Pattern(std::size_t ASize, char ASeed) {
  std::string Text(ASize, '\0');
  for (std::size_t I = 0; I < ASize; ++I) Text[I] = static_cast<char>(ASeed + static_cast<char>(I % 251));
  return Text;
}

// Every percent from 1 to 100, as a file of more than 100 windows shows them.
std::vector<int> EveryPercent() {
  std::vector<int> Result(100);
  std::iota(Result.begin(), Result.end(), 1);
  return Result;
}

struct TCopyCase {
  const char* Name;
  std::size_t SourceSize;
  std::optional<std::size_t> ExistingDestination;  // a longer or shorter file already there
  std::vector<int> Progress;                       // what the current-file bar showed
};

// The copy always makes a new file: whatever already has the destination's name (a file, a link)
// is refused and left exactly as it was.
TEST(CopyFileMapped, CopiesInWindowsTakesEmptyFilesAndNeverWritesOverAnExistingFile) {
  const std::vector<TCopyCase> Cases = {
      {"two windows", 100000, std::nullopt, {66, 100}},
      {"exactly one window", 65536, std::nullopt, {100}},
      {"empty", 0, std::nullopt, {}},
      {"empty over an existing file", 0, 5000, {}},
      {"shorter than the old destination", 70000, 300000, {94, 100}},
      {"longer than the old destination", 140000, 10, {47, 94, 100}},
      // Sent to the disk slice by slice while the rest is copied.
      {"over two write-back slices", 2 * 8 * 1024 * 1024 + 100000, std::nullopt, EveryPercent()},
  };
  for (const TCopyCase& Case : Cases) {
    TWizardSandbox Sandbox;
    TWizard Wizard;
    std::string Source = Pattern(Case.SourceSize, 'a');
    std::string Src = Sandbox.Scratch().Write("src.bin", Source);
    std::string Dst = Sandbox.Scratch() / "dst.bin";
    if (Case.ExistingDestination) Sandbox.Scratch().Write("dst.bin", Pattern(*Case.ExistingDestination, 'z'));
    if (Case.ExistingDestination) {
      EXPECT_FALSE(CopyFileMapped(Wizard.Form, Src, Dst)) << Case.Name;
      EXPECT_TRUE(TScratchFolder::Read(Dst) == Pattern(*Case.ExistingDestination, 'z')) << Case.Name;
      ASSERT_EQ(Wizard.View.Messages.size(), 1u) << Case.Name;
      EXPECT_TRUE(Wizard.View.Messages[0].Text.starts_with("Step: 2 - ")) << Case.Name;
      continue;
    }
    EXPECT_TRUE(CopyFileMapped(Wizard.Form, Src, Dst)) << Case.Name;
    EXPECT_TRUE(TScratchFolder::Read(Dst) == Source) << Case.Name;
    EXPECT_EQ(Wizard.View.ProgressHistory[ctlPbCurrentProgress], Case.Progress) << Case.Name;
    EXPECT_TRUE(Wizard.View.Messages.empty()) << Case.Name;
  }
}

TEST(CopyFileMapped, AMissingSourceShowsTheFirstStepAndCreatesNothing) {
  TWizardSandbox Sandbox;
  TWizard Wizard;
  EXPECT_FALSE(CopyFileMapped(Wizard.Form, Sandbox.Scratch() / "missing", Sandbox.Scratch() / "dst"));
  ASSERT_EQ(Wizard.View.Messages.size(), 1u);
  EXPECT_EQ(Wizard.View.Messages[0].Caption, "Quellit Setup");
  EXPECT_TRUE(Wizard.View.Messages[0].Text.starts_with("Step: 1 - ")) << Wizard.View.Messages[0].Text;
  EXPECT_FALSE(fs::exists(Sandbox.Scratch() / "dst"));
}

TEST(CopyFileMapped, ADestinationThatCannotBeOpenedShowsTheSecondStep) {
  TWizardSandbox Sandbox;
  TWizard Wizard;
  std::string Src = Sandbox.Scratch().Write("src", "x");
  fs::create_directories(Sandbox.Scratch() / "dst");
  EXPECT_FALSE(CopyFileMapped(Wizard.Form, Src, Sandbox.Scratch() / "dst"));
  ASSERT_EQ(Wizard.View.Messages.size(), 1u);
  EXPECT_TRUE(Wizard.View.Messages[0].Text.starts_with("Step: 2 - ")) << Wizard.View.Messages[0].Text;
}

TEST(CopyFileMapped, ACancelBetweenWindowsDeletesThePartialCopy) {
  TWizardSandbox Sandbox;
  TWizard Wizard;
  std::string Src = Sandbox.Scratch().Write("src", Pattern(300000, 'a'));
  std::string Dst = Sandbox.Scratch() / "dst";
  Wizard.View.OnProcessMessages[2] = [&] { Wizard.Form.BreakInstall = true; };
  EXPECT_FALSE(CopyFileMapped(Wizard.Form, Src, Dst));
  EXPECT_FALSE(fs::exists(Dst));
  EXPECT_EQ(Wizard.View.ProgressHistory[ctlPbCurrentProgress], (std::vector<int>{22, 44}));
}

// The cancel arrives while the replacement of a product file is half written: the rollback it runs
// puts the original back under the same name, and the copy's clean-up must leave it there.
TEST(CopyFileMapped, ACancelInTheMiddleOfAReplacementKeepsTheRestoredOriginal) {
  TWizardSandbox Sandbox;
  std::string Original = Pattern(300000, 'o');
  Sandbox.WriteProduct(1, "Data/big.dat", Original);
  Sandbox.WritePayload(1, "Data/big.dat", Pattern(300000, 'n'));
  TWizard Wizard;
  int CallsAfterBackup = 0;
  Wizard.View.EveryProcessMessages = [&] {
    const std::vector<std::string>& Log = Wizard.View.Log;
    if (Log.empty() || Log.back() != "Файл \"" + Testing::NativePath("Data/big.dat") + "\" сохранен в бэкапе.") return;
    // The first call follows the backup itself; the second follows the first window of the copy.
    if (++CallsAfterBackup != 2) return;
    Wizard.View.Answers = {true};
    Wizard.Cancel();
  };
  Wizard.Next();
  ASSERT_EQ(CallsAfterBackup, 2);
  EXPECT_TRUE(Sandbox.ReadProduct(1, "Data/big.dat") == Original);
  EXPECT_EQ(Wizard.View.CloseCalls, 1);
  EXPECT_TRUE(Wizard.View.Errors.empty()) << Wizard.View.Errors.front();
}

// The cancel arrives in the last window of a new file, so the copy itself succeeds and then goes:
// the run ends cancelled, with no error about the file that is gone.
TEST(CopyFileMapped, ACancelInTheLastWindowOfANewFileIsACancelNotAnError) {
  TWizardSandbox Sandbox;
  Sandbox.WritePayload(1, "many/f0.txt", "x");
  TWizard Wizard;
  int CallsAfterFolder = 0;
  Wizard.View.EveryProcessMessages = [&] {
    const std::vector<std::string>& Log = Wizard.View.Log;
    if (Log.empty() || !Log.back().starts_with("Создана директория")) return;
    // The first call follows the folder's creation; the second follows the file's only window.
    if (++CallsAfterFolder != 2) return;
    Wizard.View.Answers = {true};
    Wizard.Cancel();
  };
  Wizard.Next();
  ASSERT_EQ(CallsAfterFolder, 2);
  EXPECT_TRUE(Wizard.View.Errors.empty()) << Wizard.View.Errors.front();
  EXPECT_EQ(Wizard.View.CloseCalls, 1);
  // A cancel keeps the folders the run made; the copy itself, complete or not, is gone.
  EXPECT_TRUE(fs::is_empty(Testing::FileSystemPathOf(Sandbox.ProductRoot(1) + "many")));
}

TEST(CopyFileMapped, ACancelDuringTheBackupLeavesTheProductFileUntouched) {
  TWizardSandbox Sandbox;
  std::string Original = Pattern(200000, 'o');
  Sandbox.WriteProduct(1, "big.dat", Original);
  Sandbox.WritePayload(1, "big.dat", "new");
  TWizard Wizard;
  bool Cancelled = false;
  Wizard.View.EveryProcessMessages = [&] {
    if (Cancelled || Wizard.View.ProgressHistory[ctlPbCurrentProgress].empty()) return;
    Cancelled = true;
    Wizard.View.Answers = {true};
    Wizard.Cancel();
  };
  Wizard.Next();
  EXPECT_TRUE(Sandbox.ReadProduct(1, "big.dat") == Original);
  EXPECT_FALSE(fs::exists(Testing::FileSystemPathOf(Wizard.Form.BackUpAppFolder + "big.dat")));
}

}  // namespace
}  // namespace Quellit
