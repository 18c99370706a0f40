#include "App/dlgEasySetup.UpdateEngine.h"

#include <gtest/gtest.h>

#include <regex>

#include "Lib/Common/Common.SysUtils.h"
#include "Platform/Process.h"
#include "WizardSandbox.h"

namespace Quellit {
namespace {

namespace fs = std::filesystem;
using Testing::TWizard;
using Testing::TWizardSandbox;

std::string Quoted(const std::string& AText) { return "\"" + AText + "\""; }

std::vector<std::string> EntryNames(const TfrmEasySetup& AForm) {
  std::vector<std::string> Names;
  for (const TDataEntry& Entry : AForm.DataList) Names.push_back(std::to_string(Entry.EntryKind) + ":" + Entry.Name);
  return Names;
}

// A named pipe: it exists as a file, but the platform refuses to open it.
void MakeFifo(const std::string& APath) {
  fs::create_directories(fs::path(APath).parent_path());
  ASSERT_EQ(Platform::TChildProcess("/usr/bin/mkfifo", {APath}).Wait(), 0);
}

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

  EXPECT_EQ(EntryNames(Form), (std::vector<std::string>{"0:Templates", "0:Templates/Itog.xlt", "1:Docs",
                                                        "1:Docs/readme.txt", "1:Нормативы", "1:Нормативы/base.dat"}));
  EXPECT_EQ(Wizard.View.Log,
            (std::vector<std::string>{"Создана директория " + Quoted(Common + "Templates/"),
                                      "Файл \"Templates/Itog.xlt\" добавлен.",
                                      "Создана директория " + Quoted(Form.BackUpAppFolder + "Docs/"),
                                      "Файл \"Docs/readme.txt\" сохранен в бэкапе.",
                                      "Файл \"Docs/readme.txt\" обновлен.",
                                      "Создана директория " + Quoted(App + "Нормативы/"),
                                      "Файл \"Нормативы/base.dat\" добавлен.",
                                      "Все файлы обновлены.",
                                      "Количество обновленных файлов: 6",
                                      "",
                                      "Для продолжения нажмите \"Далее>\""}));
  EXPECT_EQ(Sandbox.ReadProduct(0, "Templates/Itog.xlt"), "template");
  EXPECT_EQ(Sandbox.ReadProduct(1, "Docs/readme.txt"), "new readme");
  EXPECT_EQ(Testing::TScratchFolder::Read(Form.BackUpAppFolder + "Docs/readme.txt"), "old readme");
  EXPECT_TRUE(Form.BackUpAppFolder.starts_with(App + "QuellitBackup/"));
  EXPECT_TRUE(Form.BackUpCommonFolder.starts_with(Common + "QuellitBackup/"));
  // Nothing was replaced in the common folder, so its backup folder was never made.
  EXPECT_FALSE(fs::exists(Form.BackUpCommonFolder));
  EXPECT_EQ(Wizard.View.ProgressMax[ctlPbStatus], 6);
  EXPECT_EQ(Wizard.View.ProgressHistory[ctlPbStatus], (std::vector<int>{1, 2, 3, 4, 5, 6}));
  // Copied files are open to every user of the machine.
  EXPECT_EQ(fs::status(App + "Docs/readme.txt").permissions() & fs::perms::others_write, fs::perms::others_write);
}

struct TSkipCase {
  std::string Name;
  bool Copied;
};

TEST(UpdateFiles, SkipsDotNamesAndTheExactLinkNameFile) {
  const std::vector<TSkipCase> Cases = {
      {"linkname.txt", false}, {".hidden", false}, {".git/config", false}, {"LinkName.txt", true}, {"a.b", true}};
  TWizardSandbox Sandbox;
  for (const TSkipCase& Case : Cases) Sandbox.WritePayload(1, Case.Name, "x");
  TWizard Wizard;
  Wizard.Next();
  for (const TSkipCase& Case : Cases)
    EXPECT_EQ(fs::exists(Sandbox.ProductRoot(1) + Case.Name), Case.Copied) << Case.Name;
  EXPECT_EQ(EntryNames(Wizard.Form), (std::vector<std::string>{"1:a.b", "1:LinkName.txt"}));
}

TEST(UpdateFiles, AProductFileWhoseBackupFailedIsLeftAsItIs) {
  TWizardSandbox Sandbox;
  Sandbox.WritePayload(1, "locked.dat", "new");
  Sandbox.WritePayload(1, "next.txt", "next");
  MakeFifo(Sandbox.ProductRoot(1) + "locked.dat");
  TWizard Wizard;
  Wizard.Next();
  EXPECT_TRUE(fs::is_fifo(Sandbox.ProductRoot(1) + "locked.dat"));
  EXPECT_EQ(Sandbox.ReadProduct(1, "next.txt"), "next");
  const std::vector<std::string>& Log = Wizard.View.Log;
  EXPECT_NE(std::find(Log.begin(), Log.end(), "Ошибка создания резервной копии \"locked.dat\""), Log.end());
  EXPECT_NE(std::find(Log.begin(), Log.end(), "Ошибка обновления файла: \"locked.dat\""), Log.end());
  ASSERT_FALSE(Wizard.View.Messages.empty());
  EXPECT_TRUE(Wizard.View.Messages.front().Text.starts_with("Step: 1 - ")) << Wizard.View.Messages.front().Text;
  EXPECT_TRUE(Wizard.View.Errors.empty());
}

TEST(UpdateFiles, ASourceThatCannotBeReadIsReportedAndTheUpdateGoesOn) {
  TWizardSandbox Sandbox;
  MakeFifo(Sandbox.PayloadRoot(0) + "a-pipe");
  Sandbox.WritePayload(0, "b.txt", "b");
  TWizard Wizard;
  Wizard.Next();
  EXPECT_TRUE(Wizard.View.Errors.empty()) << Wizard.View.Errors.front();
  EXPECT_EQ(Wizard.View.Log.front(), "Ошибка обновления файла: \"a-pipe\"");
  EXPECT_FALSE(fs::exists(Sandbox.ProductRoot(0) + "a-pipe"));
  EXPECT_EQ(Sandbox.ReadProduct(0, "b.txt"), "b");
  EXPECT_EQ(Wizard.View.Log[Wizard.View.Log.size() - 3], "Количество обновленных файлов: 2");
}

TEST(UpdateFiles, RelativePathsAreCutAfter260Characters) {
  TWizardSandbox Sandbox;
  // Three folders of 100 Cyrillic letters each: 302 characters, 600 bytes and more.
  std::string Part(200, '\0');
  Part.clear();
  for (int I = 0; I < 100; ++I) Part += "ж";
  Sandbox.WritePayload(0, Part + "/" + Part + "/" + Part + "/f", "x");
  TWizard Wizard;
  Wizard.Next();
  ASSERT_EQ(Wizard.Form.DataList.size(), 4u);
  EXPECT_EQ(Utf8Length(Wizard.Form.DataList[2].Name), 260u);
  EXPECT_EQ(Utf8Length(Wizard.Form.DataList[3].Name), 260u);
  EXPECT_TRUE(IsValidUtf8(Wizard.Form.DataList[3].Name));
}

TEST(BackupFolderFor, StampsWithTheLocalesDateAndTimeAndNeverReusesAFolder) {
  TWizardSandbox Sandbox;
  std::string Root = Sandbox.ProductRoot(1);
  // ru_RU: short date, a blank, the long time with "-" for ":", and no time zone.
  EXPECT_TRUE(std::regex_match(BackupStamp(), std::regex(R"(\d\d\.\d\d\.\d{4}( \d{1,2}-\d\d-\d\d)?)")))
      << BackupStamp();
  for (int Attempt = 0; Attempt < 5; ++Attempt) {
    std::string Stamp = BackupStamp();
    fs::create_directories(Root + "QuellitBackup/" + Stamp);
    fs::create_directories(Root + "QuellitBackup/" + Stamp + " (2)");
    std::string Folder = BackupFolderFor(Root);
    if (BackupStamp() != Stamp) continue;  // the clock moved on meanwhile
    EXPECT_EQ(Folder, Root + "QuellitBackup/" + Stamp + " (3)/");
    return;
  }
  FAIL() << "the clock never stood still long enough";
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

TEST(Rollback, MovesTheBackupsBackDeletesTheShortcutsAndCanRunAgain) {
  TWizardSandbox Sandbox;
  TWizard Wizard;
  TfrmEasySetup& Form = Wizard.Form;
  Form.VeskaCommonFolder = Sandbox.ProductRoot(0);
  Form.VeskaAppFolder = Sandbox.ProductRoot(1);
  Form.BackUpCommonFolder = Form.VeskaCommonFolder + "QuellitBackup/s/";
  Form.BackUpAppFolder = Form.VeskaAppFolder + "QuellitBackup/s/";
  Sandbox.WriteFile(Form.BackUpAppFolder + "Docs/a.txt", "saved a");
  Sandbox.WriteProduct(1, "Docs/a.txt", "new a");
  Form.ShortCutList = {Sandbox.WriteFile(Sandbox.Desktop() + "a.desktop", "x"), Sandbox.Desktop() + "missing.desktop"};
  Rollback(Form);
  EXPECT_EQ(Sandbox.ReadProduct(1, "Docs/a.txt"), "saved a");
  EXPECT_FALSE(fs::exists(Form.BackUpAppFolder));
  EXPECT_TRUE(fs::exists(Form.VeskaAppFolder + "QuellitBackup"));
  EXPECT_FALSE(fs::exists(Sandbox.Desktop() + "a.desktop"));
  EXPECT_EQ(Form.ShortCutList.size(), 2u);
  // What a first run could not reach is moved by the second.
  Sandbox.WriteFile(Form.BackUpCommonFolder + "late.txt", "late");
  Rollback(Form);
  EXPECT_EQ(Sandbox.ReadProduct(0, "late.txt"), "late");
}

}  // namespace
}  // namespace Quellit
