// The update as a transaction, tried as a hostile user would: kills at chosen steps followed by
// the recovery, two runs at once, a file-size limit, links and clashes where files are expected.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <thread>

#include "App/dlgEasySetup.Journal.h"
#include "App/dlgEasySetup.Unattended.h"
#include "App/dlgEasySetup.UpdateEngine.h"
#include "Platform/FileLock.h"
#include "Platform/Process.h"
#include "Support/RunAsNobody.h"
#include "WizardSandbox.h"

namespace Quellit {
namespace {

namespace fs = std::filesystem;
using Testing::TScratchFolder;
using Testing::TWizard;
using Testing::TWizardSandbox;

struct TRun {
  int ExitCode = -1;
  std::string Out, Err;
};

// quellit-setup started from a shell in the sandbox; APrefix goes before the program (variables,
// a ulimit), AExtra after its options.
TRun RunProgram(const TWizardSandbox& ASandbox, const std::string& AExtra = "", const std::string& APrefix = "") {
  std::string Out = ASandbox.Scratch() / "out.txt", Err = ASandbox.Scratch() / "err.txt";
  std::string Command = APrefix + " LC_ALL=ru_RU.UTF-8 '" + QUELLIT_SETUP + "' --unattended --setup-dir '" +
                        ASandbox.Scratch() / "Program" + "' " + AExtra + " >'" + Out + "' 2>'" + Err + "'";
  TRun Run;
  Run.ExitCode = Platform::TChildProcess("/bin/sh", {"-c", Command}).Wait();
  Run.Out = TScratchFolder::Read(Out);
  Run.Err = TScratchFolder::Read(Err);
  return Run;
}

// Every path below AFolder with its kind, mode and content (a link's target), links not followed.
// The update's own bookkeeping (backups, journals, the lock) is left out.
using TTree = std::map<std::string, std::string>;
void AddTree(const std::string& AFolder, const std::string& ATag, TTree& ATree) {
  if (!fs::exists(fs::symlink_status(AFolder))) return;
  for (auto It = fs::recursive_directory_iterator(AFolder); It != fs::recursive_directory_iterator(); ++It) {
    std::string Relative = fs::relative(It->path(), AFolder).string();
    if (Relative.starts_with("QuellitBackup") || Relative == "QuellitSetup.lock") {
      It.disable_recursion_pending();
      continue;
    }
    struct stat Info {};
    ::lstat(It->path().c_str(), &Info);
    std::string Value = std::to_string(Info.st_mode);
    if (It->is_symlink())
      Value += " -> " + fs::read_symlink(It->path()).string();
    else if (It->is_regular_file())
      Value += " " + TScratchFolder::Read(It->path());
    ATree[ATag + Relative] = Value;
  }
}

TTree ProductTree(const TWizardSandbox& ASandbox) {
  TTree Tree;
  AddTree(ASandbox.ProductRoot(0), "common/", Tree);
  AddTree(ASandbox.ProductRoot(1), "app/", Tree);
  AddTree(ASandbox.Desktop(), "desktop/", Tree);
  return Tree;
}

// A product with private and ordinary files, and a payload that replaces, adds and makes folders.
void PrepareUpdate(TWizardSandbox& ASandbox) {
  std::string Private = ASandbox.WriteProduct(0, "private.ini", "secret");
  fs::permissions(Private, fs::perms::owner_read | fs::perms::owner_write);
  ASandbox.WriteProduct(1, "Docs/readme.txt", "old readme");
  // A name with a line break, a tab and a backslash must stay one journal record.
  ASandbox.WriteProduct(1, "Docs/odd\nname\t\\x.txt", "old odd");
  ASandbox.WritePayload(1, "Docs/odd\nname\t\\x.txt", "new odd");
  ASandbox.WriteProduct(1, "big.dat", std::string(150000, 'o'));
  ASandbox.WritePayload(0, "private.ini", "new ini");
  ASandbox.WritePayload(1, "big.dat", std::string(200000, 'n'));
  ASandbox.WritePayload(1, "Docs/readme.txt", "new readme");
  ASandbox.WritePayload(1, "Нормативы/Сборник/base.dat", "base");
  ASandbox.WriteSettings("[links]\n1=Нормативы\n");
}

// A kill right after each kind of step, then `--recover`: the product is exactly as before,
// byte for byte and mode for mode, and a second recovery finds nothing left to do.
TEST(Transaction, AKillAtAnyStepIsUndoneByTheRecovery) {
  const std::vector<std::string> KillPoints = {"plan",   "folder:1", "folder:3", "backup",  "moved",  "write",
                                               "block",  "block:3",  "placed",   "moved:3", "added",  "shortcut"};
  for (const std::string& Point : KillPoints) {
    TWizardSandbox Sandbox;
    PrepareUpdate(Sandbox);
    TTree Before = ProductTree(Sandbox);
    TRun Killed = RunProgram(Sandbox, "", "QUELLIT_TEST_KILL_AFTER=" + Point);
    ASSERT_EQ(Killed.ExitCode, 128 + 9) << Point << ": " << Killed.Err;
    TRun Recovered = RunProgram(Sandbox, "--recover");
    EXPECT_EQ(Recovered.ExitCode, ueDone) << Point << ": " << Recovered.Err;
    EXPECT_NE(Recovered.Out.find("Обнаружено прерванное обновление"), std::string::npos) << Point;
    EXPECT_EQ(ProductTree(Sandbox), Before) << Point << "\n" << Recovered.Out;
    TRun Again = RunProgram(Sandbox, "--recover");
    EXPECT_EQ(Again.ExitCode, ueDone) << Point;
    EXPECT_EQ(Again.Out, "Прерванных обновлений нет.\n") << Point;
  }
}

// The next ordinary start undoes the interrupted run first, then updates as if nothing happened.
TEST(Transaction, TheNextStartUndoesAnInterruptedRunBeforeItsOwnUpdate) {
  TWizardSandbox Sandbox;
  PrepareUpdate(Sandbox);
  ASSERT_EQ(RunProgram(Sandbox, "", "QUELLIT_TEST_KILL_AFTER=placed").ExitCode, 128 + 9);
  TRun Run = RunProgram(Sandbox);
  EXPECT_EQ(Run.ExitCode, ueDone) << Run.Err;
  EXPECT_TRUE(Run.Out.starts_with("Обнаружено прерванное обновление")) << Run.Out;
  EXPECT_NE(Run.Out.find("Файл \"private.ini\" восстановлен из бэкапа."), std::string::npos) << Run.Out;
  EXPECT_EQ(Sandbox.ReadProduct(1, "big.dat"), std::string(200000, 'n'));
  EXPECT_EQ(Sandbox.ReadProduct(0, "private.ini"), "new ini");
  // The interrupted run's backups went back; the new run's backup holds the very originals.
  bool Found = false;
  for (const fs::directory_entry& Entry : fs::directory_iterator(Sandbox.ProductRoot(0) + "QuellitBackup"))
    if (Entry.is_directory() && fs::exists(Entry.path() / "private.ini")) {
      Found = true;
      EXPECT_EQ(TScratchFolder::Read(Entry.path() / "private.ini"), "secret");
      EXPECT_EQ(fs::status(Entry.path() / "private.ini").permissions(), fs::perms::owner_read | fs::perms::owner_write);
    }
  EXPECT_TRUE(Found);
}

// What cannot be put back keeps its journal, so a later run tries again; the status says so.
TEST(Transaction, ARecoveryThatCannotRestoreAFileEndsWithStatus1AndKeepsTheJournal) {
  TWizardSandbox Sandbox;
  PrepareUpdate(Sandbox);
  ASSERT_EQ(RunProgram(Sandbox, "", "QUELLIT_TEST_KILL_AFTER=moved").ExitCode, 128 + 9);
  // Someone made a folder where the moved original belongs.
  fs::create_directories(Sandbox.ProductRoot(0) + "private.ini/inside");
  TRun Run = RunProgram(Sandbox, "--recover");
  EXPECT_EQ(Run.ExitCode, ueError);
  EXPECT_NE(Run.Err.find("private.ini"), std::string::npos) << Run.Err;
  EXPECT_EQ(TUpdateJournal::Unfinished(Sandbox.ProductRoot(0)).size(), 1u);
  // The start of a wizard refuses to update over it.
  TRun Start = RunProgram(Sandbox);
  EXPECT_EQ(Start.ExitCode, ueError);
  fs::remove_all(Sandbox.ProductRoot(0) + "private.ini");
  EXPECT_EQ(RunProgram(Sandbox, "--recover").ExitCode, ueDone);
  EXPECT_EQ(Sandbox.ReadProduct(0, "private.ini"), "secret");
}

// Another run holds the product's lock: the second is refused before it touches anything, as
// another update, not as the client running.
TEST(Transaction, ASecondRunIsRefusedWithStatus6AndChangesNothing) {
  TWizardSandbox Sandbox;
  PrepareUpdate(Sandbox);
  TTree Before = ProductTree(Sandbox);
  {
    Platform::TFileLock Other(Sandbox.ProductRoot(0) + "QuellitSetup.lock");
    ASSERT_TRUE(Other.Held());
    for (const char* Mode : {"", "--recover"}) {
      TRun Run = RunProgram(Sandbox, Mode);
      EXPECT_EQ(Run.ExitCode, ueAnotherUpdate) << Mode;
      EXPECT_NE(Run.Err.find("уже выполняется"), std::string::npos) << Run.Err;
      EXPECT_EQ(Run.Out, "") << Mode;
    }
    EXPECT_EQ(ProductTree(Sandbox), Before);
    EXPECT_FALSE(fs::exists(Testing::FileSystemPathOf(Sandbox.ProductRoot(1) + "QuellitBackup")));
  }
  EXPECT_EQ(RunProgram(Sandbox).ExitCode, ueDone);
}

// Two real programs on one product: the second, started while the first stands on a page after
// its copy, is refused as another update and changes nothing; the first then goes on to its end.
TEST(Transaction, TwoProgramsAtOnceTheSecondIsRefused) {
  TWizardSandbox Sandbox;
  PrepareUpdate(Sandbox);
  std::string Err = Sandbox.Scratch() / "first-err.txt", PidFile = Sandbox.Scratch() / "first-pid";
  std::string Command = "echo $$ >'" + PidFile + "'; exec env LC_ALL=ru_RU.UTF-8 QUELLIT_TEST_HOLD_PAGE=psShortCuts '" +
                        QUELLIT_SETUP + "' --unattended --setup-dir '" + Sandbox.Scratch() / "Program" +
                        "' >/dev/null 2>'" + Err + "'";
  Platform::TChildProcess First("/bin/sh", {"-c", Command});
  auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (TScratchFolder::Read(Err).find("holding on psShortCuts") == std::string::npos) {
    ASSERT_FALSE(First.TryWait()) << "the first run ended early: " << TScratchFolder::Read(Err);
    ASSERT_LT(std::chrono::steady_clock::now(), Deadline);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  TTree Updated = ProductTree(Sandbox);
  TRun Second = RunProgram(Sandbox);
  EXPECT_EQ(Second.ExitCode, ueAnotherUpdate);
  EXPECT_NE(Second.Err.find("уже выполняется"), std::string::npos) << Second.Err;
  EXPECT_EQ(ProductTree(Sandbox), Updated);
  std::string Pid = TScratchFolder::Read(PidFile);
  Pid.erase(Pid.find_last_not_of('\n') + 1);
  ASSERT_EQ(Platform::TChildProcess("/bin/kill", {"-TERM", Pid}).Wait(), 0);
  EXPECT_EQ(First.Wait(), ueCancelled) << TScratchFolder::Read(Err);
  EXPECT_EQ(Sandbox.ReadProduct(1, "Docs/readme.txt"), "old readme");
}

TEST(Transaction, TheLockFileIsOpenToEveryUserWhateverTheUmask) {
  TWizardSandbox Sandbox;
  ASSERT_EQ(RunProgram(Sandbox, "", "umask 077;").ExitCode, ueDone);
  EXPECT_EQ(fs::status(Sandbox.ProductRoot(0) + "QuellitSetup.lock").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::group_write |
                fs::perms::others_read | fs::perms::others_write);
  // A link planted in its place is not followed.
  std::string Outside = Sandbox.Scratch().Write("outside.txt", "outside");
  fs::remove(Sandbox.ProductRoot(0) + "QuellitSetup.lock");
  fs::create_symlink(Outside, Sandbox.ProductRoot(0) + "QuellitSetup.lock");
  EXPECT_EQ(RunProgram(Sandbox).ExitCode, ueError);
  EXPECT_EQ(fs::status(Outside).permissions() & fs::perms::others_write, fs::perms::none);
}

// A dry run lists the plan and the interrupted run it would undo, and changes nothing at all.
TEST(Transaction, ADryRunPrintsThePlanAndLeavesEverythingUntouched) {
  TWizardSandbox Sandbox;
  PrepareUpdate(Sandbox);
  fs::create_symlink("/etc/passwd", Sandbox.PayloadRoot(1) + "passwd");
  ASSERT_EQ(RunProgram(Sandbox, "", "QUELLIT_TEST_KILL_AFTER=moved").ExitCode, 128 + 9);
  TTree Before;
  AddTree(Sandbox.Scratch().Path(), "", Before);
  Before.erase("out.txt");
  Before.erase("err.txt");
  TRun Run = RunProgram(Sandbox, "--dry-run");
  EXPECT_EQ(Run.ExitCode, ueDone) << Run.Err;
  TTree After;
  AddTree(Sandbox.Scratch().Path(), "", After);
  After.erase("out.txt");
  After.erase("err.txt");
  EXPECT_EQ(After, Before);
  std::size_t Journals = 0;
  for (const fs::directory_entry& Entry : fs::recursive_directory_iterator(Sandbox.Scratch().Path()))
    if (Entry.path().extension() == ".journal") ++Journals;
  EXPECT_EQ(Journals, 2u);  // the interrupted run's, one per product folder
  for (const char* Line : {"Будет отменено прерванное обновление", "Сохранить в бэкапе и обновить 1: \"big.dat\"",
                           "Добавить 1: \"Нормативы/Сборник/base.dat\"", "Создать директорию 1: \"Нормативы\"",
                           "Пропустить 1: \"passwd\": символическая ссылка"})
    EXPECT_NE(Run.Out.find(Line), std::string::npos) << Line << "\n" << Run.Out;
}

// A file-size limit hits the copy of a replaced file: the partial file goes, the original comes
// back at once, the run goes on and ends with status 5 naming the entry.
TEST(Transaction, AFileSizeLimitDuringACopyPutsTheOriginalBackAndEndsWithStatus5) {
  TWizardSandbox Sandbox;
  PrepareUpdate(Sandbox);
  TRun Run = RunProgram(Sandbox, "", "ulimit -f 250;");  // 128000 bytes
  EXPECT_EQ(Run.ExitCode, ueEntriesFailed) << Run.Err;
  EXPECT_EQ(Sandbox.ReadProduct(1, "big.dat"), std::string(150000, 'o'));
  EXPECT_NE(Run.Out.find("Ошибка обновления файла: \"big.dat\"\nФайл \"big.dat\" восстановлен из бэкапа.\n"),
            std::string::npos)
      << Run.Out;
  EXPECT_EQ(Sandbox.ReadProduct(1, "Docs/readme.txt"), "new readme");
  EXPECT_NE(Run.Err.find("Не обновлено записей: 1\n  1: \"big.dat\""), std::string::npos) << Run.Err;
  for (const fs::directory_entry& Entry : fs::directory_iterator(Sandbox.ProductRoot(1)))
    EXPECT_FALSE(Entry.path().filename().string().starts_with(".quellit-")) << Entry.path();
}

// ---- in-process cases over the scripted view --------------------------------------------------

std::vector<std::string> FailedNames(TWizard& AWizard) {
  std::vector<std::string> Names;
  for (const TFailedEntry& Entry : AWizard.Form.Engine().FailedEntries()) Names.push_back(Entry.Name);
  return Names;
}

bool Logged(const TWizard& AWizard, const std::string& ALine) {
  return std::find(AWizard.View.Log.begin(), AWizard.View.Log.end(), ALine) != AWizard.View.Log.end();
}

TEST(Transaction, AnUnreadableReplacementKeepsTheOriginalInPlace) {
  TWizardSandbox Sandbox;
  Sandbox.WriteProduct(1, "a.dat", "original");
  fs::permissions(Sandbox.ProductRoot(1) + "a.dat", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_directories(Sandbox.PayloadRoot(1));
  ASSERT_EQ(Platform::TChildProcess("/usr/bin/mkfifo", {Sandbox.PayloadRoot(1) + "a.dat"}).Wait(), 0);
  TWizard Wizard;
  Wizard.Next();
  EXPECT_EQ(Sandbox.ReadProduct(1, "a.dat"), "original");
  EXPECT_EQ(fs::status(Sandbox.ProductRoot(1) + "a.dat").permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_TRUE(Logged(Wizard, "Файл \"a.dat\" восстановлен из бэкапа."));
  EXPECT_EQ(FailedNames(Wizard), (std::vector<std::string>{"a.dat"}));
  EXPECT_TRUE(Wizard.View.Errors.empty());
}

// Links where files are expected, in the product and in the payload. Nothing outside the sandbox's
// product is ever written, and the run always reaches its end.
TEST(Transaction, LinksAreNeverFollowedWhereAWriteCouldEscape) {
  TWizardSandbox Sandbox;
  std::string Outside = Sandbox.Scratch().Write("outside/file.txt", "outside");
  std::string App = Sandbox.ProductRoot(1);
  fs::create_symlink(Sandbox.Scratch() / "outside/missing.txt", App + "dangling.txt");
  fs::create_symlink(Outside, App + "live.txt");
  fs::create_symlink(Sandbox.Scratch() / "outside", App + "Linked");
  Sandbox.WritePayload(1, "dangling.txt", "new dangling");
  Sandbox.WritePayload(1, "live.txt", "new live");
  Sandbox.WritePayload(1, "Linked/x.txt", "escape");
  fs::create_symlink(Outside, Sandbox.PayloadRoot(1) + "payload-link.txt");
  fs::create_symlink(Sandbox.Scratch() / "outside", Sandbox.PayloadRoot(1) + "payload-folder");
  fs::create_symlink("loop", Sandbox.PayloadRoot(1) + "loop");
  TWizard Wizard;
  Wizard.Next();
  EXPECT_EQ(Sandbox.ReadProduct(1, "dangling.txt"), "new dangling");
  EXPECT_EQ(Sandbox.ReadProduct(1, "live.txt"), "new live");
  EXPECT_FALSE(fs::is_symlink(App + "live.txt"));
  EXPECT_FALSE(fs::exists(Sandbox.Scratch() / "outside/missing.txt"));
  EXPECT_FALSE(fs::exists(Sandbox.Scratch() / "outside/x.txt"));
  EXPECT_EQ(TScratchFolder::Read(Outside), "outside");
  EXPECT_EQ(fs::status(Outside).permissions() & fs::perms::others_write, fs::perms::none);
  // The links themselves are kept in the backup.
  EXPECT_EQ(fs::read_symlink(Wizard.Form.BackUpAppFolder + "live.txt"), Outside);
  EXPECT_TRUE(fs::is_symlink(Wizard.Form.BackUpAppFolder + "dangling.txt"));
  EXPECT_FALSE(fs::exists(Testing::FileSystemPathOf(App + "payload-link.txt")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(App + "loop")));
  EXPECT_EQ(FailedNames(Wizard),
            (std::vector<std::string>{"Linked", "Linked/x.txt", "loop", "payload-folder", "payload-link.txt"}));
  EXPECT_TRUE(Logged(Wizard, "Символическая ссылка в пакете обновления пропущена: \"payload-link.txt\""));
  EXPECT_EQ(Wizard.View.Log.back(), "Для продолжения нажмите \"Далее>\"");
  EXPECT_TRUE(Wizard.View.Errors.empty());
}

TEST(Transaction, FileAndFolderClashesFailOnlyTheirEntries) {
  TWizardSandbox Sandbox;
  Sandbox.WriteProduct(1, "Was a file", "a product file");
  Sandbox.WritePayload(1, "Was a file/inside.txt", "x");
  fs::create_directories(Sandbox.ProductRoot(1) + "Was a folder/keep");
  Sandbox.WritePayload(1, "Was a folder", "a payload file");
  Sandbox.WritePayload(1, "z.txt", "z");
  TWizard Wizard;
  Wizard.Next();
  EXPECT_EQ(Sandbox.ReadProduct(1, "Was a file"), "a product file");
  EXPECT_TRUE(fs::is_directory(Sandbox.ProductRoot(1) + "Was a folder/keep"));
  EXPECT_EQ(Sandbox.ReadProduct(1, "z.txt"), "z");
  EXPECT_EQ(FailedNames(Wizard), (std::vector<std::string>{"Was a file", "Was a file/inside.txt", "Was a folder"}));
  EXPECT_TRUE(Logged(Wizard, "Ошибка обновления файла: \"Was a folder\""));
  EXPECT_EQ(Wizard.View.Log.back(), "Для продолжения нажмите \"Далее>\"");
  EXPECT_TRUE(Wizard.View.Errors.empty());
}

// Three paths that share their first 260 characters stay three entries with three files.
TEST(Transaction, PathsSharingTheirFirst260CharactersAreThreeEntries) {
  TWizardSandbox Sandbox;
  std::string Folder;
  for (int I = 0; I < 120; ++I) Folder += "п";  // 240 bytes, within a name's limit of 255
  std::string Prefix = Folder + "/" + Folder + "/" + Folder.substr(0, 40) + "/";  // 263 characters
  for (const char* Name : {"a", "b", "c"}) {
    Sandbox.WriteProduct(1, Prefix + Name, std::string("old ") + Name);
    Sandbox.WritePayload(1, Prefix + Name, std::string("new ") + Name);
  }
  TWizard Wizard;
  Wizard.Next();
  for (const char* Name : {"a", "b", "c"}) {
    EXPECT_EQ(Sandbox.ReadProduct(1, Prefix + Name), std::string("new ") + Name);
    EXPECT_EQ(TScratchFolder::Read(Wizard.Form.BackUpAppFolder + Prefix + Name), std::string("old ") + Name);
  }
  EXPECT_TRUE(FailedNames(Wizard).empty());
}

// A product folder whose journal cannot be written is not touched; the other folder's update goes on.
TEST(Transaction, AFolderWhoseJournalCannotBeWrittenIsLeftAlone) {
  TWizardSandbox Sandbox;
  Sandbox.WriteProduct(0, "QuellitBackup", "a file in the way");
  Sandbox.WriteProduct(0, "a.txt", "old a");
  Sandbox.WritePayload(0, "a.txt", "new a");
  Sandbox.WritePayload(1, "b.txt", "b");
  TWizard Wizard;
  Wizard.Next();
  EXPECT_EQ(Sandbox.ReadProduct(0, "a.txt"), "old a");
  EXPECT_EQ(Sandbox.ReadProduct(1, "b.txt"), "b");
  EXPECT_EQ(FailedNames(Wizard), (std::vector<std::string>{"a.txt"}));
  EXPECT_TRUE(Wizard.View.Log.front().starts_with("Не удалось записать журнал обновления")) << Wizard.View.Log.front();
}

// The same as an unprivileged user whose backup folder is read-only: its journal cannot be
// created there, so that folder is not touched and its entries fail; the other folder is updated.
TEST(Transaction, AReadOnlyBackupFolderOfAnUnprivilegedUserIsLeftAlone) {
  TWizardSandbox Sandbox;
  Sandbox.WriteProduct(0, "a.txt", "old a");
  Sandbox.WritePayload(0, "a.txt", "new a");
  Sandbox.WritePayload(1, "b.txt", "b");
  fs::create_directories(Sandbox.ProductRoot(0) + "QuellitBackup");
  ::lchown(Sandbox.Scratch().Path().c_str(), Testing::NobodyId, Testing::NobodyId);
  for (const fs::directory_entry& Entry : fs::recursive_directory_iterator(Sandbox.Scratch().Path()))
    ::lchown(Entry.path().c_str(), Testing::NobodyId, Testing::NobodyId);
  fs::permissions(Sandbox.ProductRoot(0) + "QuellitBackup", fs::perms::owner_read | fs::perms::owner_exec);
  TRun Run = RunProgram(Sandbox, "", "setpriv --reuid=65534 --regid=65534 --clear-groups env");
  EXPECT_EQ(Run.ExitCode, ueEntriesFailed) << Run.Err;
  EXPECT_EQ(Sandbox.ReadProduct(0, "a.txt"), "old a");
  EXPECT_EQ(Sandbox.ReadProduct(1, "b.txt"), "b");
  EXPECT_NE(Run.Out.find("Не удалось записать журнал обновления"), std::string::npos) << Run.Out;
  EXPECT_NE(Run.Err.find("a.txt"), std::string::npos) << Run.Err;
  EXPECT_TRUE(fs::is_empty(Sandbox.ProductRoot(0) + "QuellitBackup"));
}

// The window's start says in a message box what it restored.
TEST(Transaction, TheWindowReportsTheRecoveryInAMessageBox) {
  TWizardSandbox Sandbox;
  PrepareUpdate(Sandbox);
  ASSERT_EQ(RunProgram(Sandbox, "", "QUELLIT_TEST_KILL_AFTER=placed").ExitCode, 128 + 9);
  TWizard Wizard;
  ASSERT_TRUE(Wizard.Created);
  ASSERT_EQ(Wizard.View.Messages.size(), 1u);
  EXPECT_EQ(Wizard.View.Messages[0].Caption, "Восстановление данных");
  EXPECT_NE(Wizard.View.Messages[0].Text.find("Файл \"private.ini\" восстановлен из бэкапа."), std::string::npos);
  EXPECT_TRUE(Wizard.View.Log.empty());
  EXPECT_EQ(Sandbox.ReadProduct(0, "private.ini"), "secret");
}

}  // namespace
}  // namespace Quellit
