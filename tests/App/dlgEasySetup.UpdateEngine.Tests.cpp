#include "App/dlgEasySetup.UpdateEngine.h"

#include <gtest/gtest.h>

#include <optional>
#include <regex>

#include "App/dlgEasySetup.Journal.h"
#include "Lib/Common/Common.SysUtils.h"
#include "Platform/DesktopShortcut.h"
#include "Platform/Process.h"
#include "Support/PathText.h"
#include "WizardSandbox.h"

namespace Quellit {
namespace {

namespace fs = std::filesystem;
using Testing::FileSystemPathOf;
using Testing::NativePath;
using Testing::TWizard;
using Testing::TWizardSandbox;

std::string Quoted(const std::string& AText) { return "\"" + AText + "\""; }

std::vector<std::string> EntryNames(const TfrmEasySetup& AForm) {
  std::vector<std::string> Names;
  for (const TDataEntry& Entry : AForm.DataList) Names.push_back(std::to_string(Entry.EntryKind) + ":" + Entry.Name);
  return Names;
}

#ifndef _WIN32
// A named pipe: it exists as a file, but the platform refuses to open it.
void MakeFifo(const std::string& APath) {
  fs::create_directories(fs::path(APath).parent_path());
  ASSERT_EQ(Platform::TChildProcess("/usr/bin/mkfifo", {APath}).Wait(), 0);
}
#endif  // _WIN32

TEST(UpdateFiles, LogsEveryFolderBackupAndCopyAndReplacesTheProductFiles) {
  TWizardSandbox Sandbox;
  Sandbox.WritePayload(0, "Templates/Itog.xlt", "template");
  Sandbox.WritePayload(1, "Docs/readme.txt", "new readme");
  Sandbox.WritePayload(1, "Нормативы/base.dat", "base");
  Sandbox.WriteProduct(1, "Docs/readme.txt", "old readme");
  TWizard Wizard;
  Wizard.Next();
  const TfrmEasySetup& Form = Wizard.Form;
  std::string Common = Sandbox.ProductRoot(0), App = Sandbox.ProductRoot(1);

  EXPECT_EQ(EntryNames(Form), (std::vector<std::string>{"0:Templates", "0:" + NativePath("Templates/Itog.xlt"), "1:Docs",
                                                        "1:" + NativePath("Docs/readme.txt"), "1:Нормативы",
                                                        "1:" + NativePath("Нормативы/base.dat")}));
  EXPECT_EQ(Wizard.View.Log,
            (std::vector<std::string>{"Создана директория " + Quoted(Common + NativePath("Templates/")),
                                      "Файл " + Quoted(NativePath("Templates/Itog.xlt")) + " добавлен.",
                                      "Создана директория " + Quoted(Form.BackUpAppFolder + NativePath("Docs/")),
                                      "Файл " + Quoted(NativePath("Docs/readme.txt")) + " сохранен в бэкапе.",
                                      "Файл " + Quoted(NativePath("Docs/readme.txt")) + " обновлен.",
                                      "Создана директория " + Quoted(App + NativePath("Нормативы/")),
                                      "Файл " + Quoted(NativePath("Нормативы/base.dat")) + " добавлен.",
                                      "Все файлы обновлены.",
                                      "Количество обновленных файлов: 6",
                                      "",
                                      "Для продолжения нажмите \"Далее>\""}));
  EXPECT_EQ(Sandbox.ReadProduct(0, "Templates/Itog.xlt"), "template");
  EXPECT_EQ(Sandbox.ReadProduct(1, "Docs/readme.txt"), "new readme");
  EXPECT_EQ(Testing::TScratchFolder::Read(Form.BackUpAppFolder + "Docs/readme.txt"), "old readme");
  EXPECT_TRUE(Form.BackUpAppFolder.starts_with(App + NativePath("QuellitBackup/")));
  EXPECT_TRUE(Form.BackUpCommonFolder.starts_with(Common + NativePath("QuellitBackup/")));
  // Nothing was replaced in the common folder, so its backup folder was never made.
  EXPECT_FALSE(fs::exists(FileSystemPathOf(Form.BackUpCommonFolder)));
  EXPECT_EQ(Wizard.View.ProgressMax[ctlPbStatus], 6);
  EXPECT_EQ(Wizard.View.ProgressHistory[ctlPbStatus], (std::vector<int>{1, 2, 3, 4, 5, 6}));
  // Copied files are open to every user of the machine.
  EXPECT_EQ(fs::status(FileSystemPathOf(App + "Docs/readme.txt")).permissions() & fs::perms::others_write, fs::perms::others_write);
}

struct TSkipCase {
  std::string Name;
  bool Copied;
};

TEST(UpdateFiles, SkipsDotNamesAndTheExactLinkNameFile) {
  const std::vector<TSkipCase> Cases = {
      {"linkname.txt", false}, {".hidden", false}, {".git/config", false}, {"LinkName.txt", true}, {"a.b", true}};
  // One payload each: "linkname.txt" and "LinkName.txt" are one file where names ignore case.
  for (const TSkipCase& Case : Cases) {
    TWizardSandbox Sandbox;
    Sandbox.WritePayload(1, Case.Name, "x");
    TWizard Wizard;
    Wizard.Next();
    EXPECT_EQ(fs::exists(FileSystemPathOf(Sandbox.ProductRoot(1) + Case.Name)), Case.Copied) << Case.Name;
    EXPECT_EQ(EntryNames(Wizard.Form),
              Case.Copied ? std::vector<std::string>{"1:" + Case.Name} : std::vector<std::string>{})
        << Case.Name;
  }
}

// A backup folder that cannot be made (a file in its way) is that file's backup error: the
// original stays untouched and the update goes on with the next entry.
TEST(UpdateFiles, AProductFileWhoseBackupFolderIsBlockedIsLeftAsItIs) {
  TWizardSandbox Sandbox;
  Sandbox.WriteProduct(1, "a.txt", "old a");
  Sandbox.WriteProduct(1, "Docs/b.txt", "old b");
  Sandbox.WritePayload(1, "a.txt", "new a");
  Sandbox.WritePayload(1, "Docs/b.txt", "new b");
  Sandbox.WritePayload(1, "next.txt", "next");
  TWizard Wizard;
  // Once a.txt made the stamped folder, a file takes the place of its "Docs" folder.
  Wizard.View.EveryProcessMessages = [&] {
    std::string Blocker = Wizard.Form.BackUpAppFolder + "Docs";
    if (fs::exists(FileSystemPathOf(Wizard.Form.BackUpAppFolder)) && !fs::exists(FileSystemPathOf(Blocker))) Sandbox.WriteFile(Blocker, "in the way");
  };
  Wizard.Next();
  EXPECT_EQ(Sandbox.ReadProduct(1, "a.txt"), "new a");
  EXPECT_EQ(Sandbox.ReadProduct(1, "Docs/b.txt"), "old b");
  EXPECT_EQ(Sandbox.ReadProduct(1, "next.txt"), "next");
  const std::vector<std::string>& Log = Wizard.View.Log;
  EXPECT_NE(std::find(Log.begin(), Log.end(), "Ошибка создания резервной копии " + Quoted(NativePath("Docs/b.txt"))), Log.end());
  EXPECT_NE(std::find(Log.begin(), Log.end(), "Ошибка обновления файла: " + Quoted(NativePath("Docs/b.txt"))), Log.end());
  EXPECT_EQ(Log.back(), "Для продолжения нажмите \"Далее>\"");
  EXPECT_TRUE(Wizard.View.Errors.empty());
  ASSERT_EQ(Wizard.Form.Engine().FailedEntries().size(), 1u);
  EXPECT_EQ(Wizard.Form.Engine().FailedEntries()[0].Name, NativePath("Docs/b.txt"));
}

// Named pipes are POSIX's unreadable files.
#ifndef _WIN32
TEST(UpdateFiles, ASourceThatCannotBeReadIsReportedAndTheUpdateGoesOn) {
  TWizardSandbox Sandbox;
  MakeFifo(Sandbox.PayloadRoot(0) + "a-pipe");
  Sandbox.WritePayload(0, "b.txt", "b");
  TWizard Wizard;
  Wizard.Next();
  EXPECT_TRUE(Wizard.View.Errors.empty()) << Wizard.View.Errors.front();
  EXPECT_EQ(Wizard.View.Log.front(), "Ошибка обновления файла: \"a-pipe\"");
  EXPECT_FALSE(fs::exists(FileSystemPathOf(Sandbox.ProductRoot(0) + "a-pipe")));
  EXPECT_EQ(Sandbox.ReadProduct(0, "b.txt"), "b");
  EXPECT_EQ(Wizard.View.Log[Wizard.View.Log.size() - 3], "Количество обновленных файлов: 2");
}
#endif  // _WIN32

TEST(UpdateFiles, LongRelativePathsAreKeptWhole) {
  TWizardSandbox Sandbox;
  // Three folders of 100 Cyrillic letters each: 302 characters, 600 bytes and more.
  std::string Part(200, '\0');
  Part.clear();
  for (int I = 0; I < 100; ++I) Part += "ж";
  Sandbox.WritePayload(0, Part + "/" + Part + "/" + Part + "/f", "x");
  TWizard Wizard;
  Wizard.Next();
  ASSERT_EQ(Wizard.Form.DataList.size(), 4u);
  EXPECT_EQ(Wizard.Form.DataList[3].Name, NativePath(Part + "/" + Part + "/" + Part + "/f"));
  EXPECT_EQ(Sandbox.ReadProduct(0, Part + "/" + Part + "/" + Part + "/f"), "x");
}

TEST(BackupStamp, UsesTheLocalesDateAndTime) {
  TWizardSandbox Sandbox;
  // ru_RU: short date, a blank, the long time with "-" for ":", and no time zone.
  EXPECT_TRUE(std::regex_match(BackupStamp(), std::regex(R"(\d\d\.\d\d\.\d{4}( \d{1,2}-\d\d-\d\d)?)")))
      << BackupStamp();
}

TEST(TUpdateJournal, ReservesAStampNoOtherRunOrOlderBackupHas) {
  TWizardSandbox Sandbox;
  std::string Root = Sandbox.ProductRoot(1);
  // An older run's backup folder without a journal, and another run's journal without a folder yet.
  fs::create_directories(FileSystemPathOf(Root + "QuellitBackup/10.12.2026 9-05-07"));
  Sandbox.WriteFile(Root + "QuellitBackup/10.12.2026 9-05-07 (2).journal", "");
  std::unique_ptr<TUpdateJournal> Journal = TUpdateJournal::Reserve(Root, "10.12.2026 9-05-07");
  EXPECT_EQ(Journal->Path(), NativePath(Root + "QuellitBackup/10.12.2026 9-05-07 (3).journal"));
  EXPECT_EQ(Journal->BackupFolder(), NativePath(Root + "QuellitBackup/10.12.2026 9-05-07 (3)/"));
  EXPECT_EQ(Journal->ProductFolder(), Root);
  // Reserving does not make the backup folder: a run that replaces nothing leaves none.
  EXPECT_FALSE(fs::exists(FileSystemPathOf(Journal->BackupFolder())));
  EXPECT_EQ(TUpdateJournal::Reserve(Root, "10.12.2026 9-05-07")->Path(),
            NativePath(Root + "QuellitBackup/10.12.2026 9-05-07 (4).journal"));
}

TEST(BackupStamp, NamesOneFolderWhateverSeparatorsTheLocaleUses) {
  // English and the C locale write their dates with "/", which would nest folders.
  for (const char* Locale : {"en_US", "C"}) {
    SetUserLocale(Locale);
    std::string Stamp = BackupStamp();
    ResetUserLocale();
    EXPECT_EQ(Stamp.find_first_of(":/\\*?\"<>|"), std::string::npos) << Locale << ": " << Stamp;
    EXPECT_NE(Stamp.find('-'), std::string::npos) << Locale << ": " << Stamp;
  }
}

TEST(Rollback, PutsTheOriginalsBackFromTheJournalKeepsAddedFilesAndCanRunAgain) {
  TWizardSandbox Sandbox;
  Sandbox.WriteProduct(1, "Docs/a.txt", "saved a");
  std::string Private = Sandbox.WriteProduct(0, "private.ini", "secret");
#ifndef _WIN32
  fs::permissions(Private, fs::perms::owner_read | fs::perms::owner_write);
#endif
  Sandbox.WritePayload(1, "Docs/a.txt", "new a");
  Sandbox.WritePayload(0, "private.ini", "new");
  Sandbox.WritePayload(1, "added.txt", "added");
  // Held in an optional: the journals stay open until the wizard goes, as in the program.
  std::optional<TWizard> Wizard;
  Wizard.emplace();
  Wizard->Next();
  TfrmEasySetup& Form = Wizard->Form;
  Form.ShortCutList = {Sandbox.WriteFile(Platform::DesktopShortcutPath("a"), "x"), Platform::DesktopShortcutPath("missing")};
  Form.Rollback();
  EXPECT_EQ(Sandbox.ReadProduct(1, "Docs/a.txt"), "saved a");
#ifndef _WIN32
  // The original comes back as it was, not opened to everybody.
  EXPECT_EQ(fs::status(Private).permissions(), fs::perms::owner_read | fs::perms::owner_write);
#endif
  EXPECT_EQ(Sandbox.ReadProduct(0, "private.ini"), "secret");
  EXPECT_EQ(Sandbox.ReadProduct(1, "added.txt"), "added");
  EXPECT_FALSE(fs::exists(FileSystemPathOf(Form.BackUpAppFolder)));
  EXPECT_TRUE(fs::exists(FileSystemPathOf(Form.VeskaAppFolder + "QuellitBackup")));
  EXPECT_FALSE(fs::exists(FileSystemPathOf(Platform::DesktopShortcutPath("a"))));
  EXPECT_EQ(Form.ShortCutList.size(), 2u);
  Form.Rollback();
  EXPECT_EQ(Sandbox.ReadProduct(1, "Docs/a.txt"), "saved a");
  EXPECT_TRUE(Wizard->View.Errors.empty());
  // A rolled-back run is closed: no later start undoes it again.
  const std::string AppFolder = Form.VeskaAppFolder;
  Wizard.reset();
  EXPECT_TRUE(TUpdateJournal::Unfinished(AppFolder).empty());
}

}  // namespace
}  // namespace Quellit
