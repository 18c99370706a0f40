#include "App/dlgEasySetup.Unattended.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "Platform/NamedMutex.h"
#include "Platform/TerminationSignal.h"
#include "WizardSandbox.h"

namespace Quellit {
namespace {

namespace fs = std::filesystem;
using Testing::TScratchFolder;
using Testing::TWizardSandbox;

struct TRun {
  int ExitCode = -1;
  std::string Out, Err;
};

// quellit-setup as a user starts it from a shell, in the sandbox.
TRun RunProgram(const TWizardSandbox& ASandbox, const std::string& AExtra = "") {
  std::string Out = ASandbox.Scratch() / "out.txt", Err = ASandbox.Scratch() / "err.txt";
  // Russian forms, as the expected texts are Russian.
  std::string Command = std::string("LC_ALL=ru_RU.UTF-8 '") + QUELLIT_SETUP + "' --unattended --setup-dir '" +
                        ASandbox.Scratch() / "Program" + "' " + AExtra + " >'" + Out + "' 2>'" + Err + "'";
  TRun Run;
  Run.ExitCode = Platform::TChildProcess("/bin/sh", {"-c", Command}).Wait();
  Run.Out = TScratchFolder::Read(Out);
  Run.Err = TScratchFolder::Read(Err);
  return Run;
}

std::size_t Occurrences(const std::string& AText, const std::string& AWhat) {
  std::size_t Count = 0;
  for (std::size_t P = AText.find(AWhat); P != std::string::npos; P = AText.find(AWhat, P + 1)) ++Count;
  return Count;
}

// The stamped backup folders of a product folder (their journals lie beside them).
std::vector<fs::path> BackupFolders(const std::string& AProductFolder) {
  std::vector<fs::path> Folders;
  for (const fs::directory_entry& Entry : fs::directory_iterator(AProductFolder + "QuellitBackup"))
    if (Entry.is_directory()) Folders.push_back(Entry.path());
  return Folders;
}

TEST(QuellitSetupUnattended, UpdatesTheProductMakesShortcutsAndConnectionsOnce) {
  TWizardSandbox Sandbox;
  Sandbox.WriteProduct(1, "Docs/readme.txt", "old");
  Sandbox.WritePayload(1, "Docs/readme.txt", "new");
  Sandbox.WritePayload(1, "Нормативы/base.dat", "base");
  Sandbox.WriteSettings(
      "[links]\n1=Нормативы\n[connections]\n1=Нормативы\n2=korvel.ru\n"
      "[CommonSettings.XML]\nExternalFileExts=.pdf;.docx\n");
  std::string Log = Sandbox.Scratch() / "run.log";
  TRun First = RunProgram(Sandbox, "--log '" + Log + "'");
  ASSERT_EQ(First.ExitCode, ueDone) << First.Err;
  EXPECT_EQ(First.Err, "");
  std::string App = Sandbox.ProductRoot(1);
  fs::path Backup = BackupFolders(App).at(0);
  EXPECT_EQ(First.Out, "Создана директория \"" + Backup.string() + "/Docs/\"\n"
                       "Файл \"Docs/readme.txt\" сохранен в бэкапе.\n"
                       "Файл \"Docs/readme.txt\" обновлен.\n"
                       "Создана директория \"" + App + "Нормативы/\"\n"
                       "Файл \"Нормативы/base.dat\" добавлен.\n"
                       "Все файлы обновлены.\n"
                       "Количество обновленных файлов: 4\n"
                       "\n"
                       "Для продолжения нажмите \"Далее>\"\n");
  EXPECT_EQ(TScratchFolder::Read(Log), First.Out);
  EXPECT_EQ(Sandbox.ReadProduct(1, "Docs/readme.txt"), "new");
  EXPECT_EQ(TScratchFolder::Read(Backup.string() + "/Docs/readme.txt"), "old");
  EXPECT_TRUE(fs::exists(Sandbox.Desktop() + "Нормативы.desktop"));
  std::string Connections = TScratchFolder::Read(TVeska8Information32::Instance().ConnectionOptionsFilename());
  EXPECT_EQ(Occurrences(Connections, "KV.Korvel.Ru.VeskaDocs"), 1u) << Connections;
  EXPECT_NE(TScratchFolder::Read(TVeska8Information32::Instance().CommonSettingFilename()).find(".docx;.pdf"),
            std::string::npos);

  TRun Second = RunProgram(Sandbox);
  ASSERT_EQ(Second.ExitCode, ueDone) << Second.Err;
  EXPECT_EQ(TScratchFolder::Read(TVeska8Information32::Instance().ConnectionOptionsFilename()), Connections);
  // The second backup went to a folder of its own.
  EXPECT_EQ(BackupFolders(App).size(), 2u);
}

struct TExitCase {
  const char* Name;
  bool Installed;
  bool ClientRunning;
  bool BrokenSettingsFile;
  int ExitCode;
  std::string ErrorStart;
};

TEST(QuellitSetupUnattended, ExitStatusTellsHowTheRunEnded) {
  const std::vector<TExitCase> Cases = {
      {"not installed", false, false, false, ueNotInstalled,
       "Ошибка.: Не удалось обнаружить установленную версию Корвел версии 8.0\n"},
      {"client running", true, true, false, ueClientRunning,
       "Внимание !!!: Для установки обновления , необходимо завершить работу клиента Корвел.\n"},
      {"step error", true, false, true, ueError, ""},
  };
  for (const TExitCase& Case : Cases) {
    TWizardSandbox Sandbox(Case.Installed);
    Sandbox.WritePayload(0, "a.txt", "a");
    if (Case.BrokenSettingsFile) {
      Sandbox.WriteSettings("[CommonSettings.XML]\nExternalFileExts=.pdf\n");
      Sandbox.WriteFile(TVeska8Information32::Instance().CommonSettingFilename(), "<Options");
    }
    std::optional<Platform::TNamedMutex> Client;
    if (Case.ClientRunning) Client.emplace(TVeska8Information32::Instance().MutexName());
    TRun Run = RunProgram(Sandbox);
    EXPECT_EQ(Run.ExitCode, Case.ExitCode) << Case.Name << ": " << Run.Err;
    EXPECT_TRUE(Run.Err.starts_with(Case.ErrorStart)) << Case.Name << ": " << Run.Err;
    EXPECT_FALSE(Run.Err.empty()) << Case.Name;
    EXPECT_FALSE(fs::exists(Sandbox.ProductRoot(0) + "a.txt")) << Case.Name;
  }
}

// Without the product there is nothing to copy, but the remaining pages still run: the site
// connection pre-checked in the settings is added to the user's connections file, which lives in
// the user's settings, not in the product.
TEST(QuellitSetupUnattended, WithoutTheProductStillAddsThePreCheckedSiteConnection) {
  TWizardSandbox Sandbox(false);
  Sandbox.WritePayload(1, "Нормативы/a.dat", "a");
  Sandbox.WriteSettings("[connections]\n1=Нормативы\n2=korvel.ru\n");
  TRun Run = RunProgram(Sandbox);
  EXPECT_EQ(Run.ExitCode, ueNotInstalled) << Run.Err;
  std::string Connections = TScratchFolder::Read(TVeska8Information32::Instance().ConnectionOptionsFilename());
  EXPECT_EQ(Occurrences(Connections, "KV.Korvel.Ru.VeskaDocs"), 1u) << Connections;
  EXPECT_EQ(Occurrences(Connections, "KV.Files"), 0u) << Connections;
}

TEST(QuellitSetupUnattended, ATerminationSignalDuringTheCopyIsAConfirmedCancel) {
  TWizardSandbox Sandbox;
  Sandbox.WriteProduct(1, "a.txt", "original");
  Sandbox.WritePayload(1, "a.txt", "new");
  Sandbox.WritePayload(1, "b.txt", "b");
  TStartupScope Startup;
  // Delivered before the run, the signal is noticed at the copy's first poll.
  Platform::CatchTerminationSignals();
  Platform::RaiseTerminationSignal();
  std::ostringstream Out, Err;
  EXPECT_EQ(RunUnattended({"--unattended"}, Out, Err), ueCancelled);
  Platform::ClearTerminationRequest();
  EXPECT_EQ(Sandbox.ReadProduct(1, "a.txt"), "original");
  EXPECT_FALSE(fs::exists(Sandbox.ProductRoot(1) + "b.txt"));
  EXPECT_EQ(Err.str(), "Завершение программы: Отменить процесс экспресс обновления?\n");
  EXPECT_NE(Out.str().find("Произвожу процесс восстановления данных.\n"), std::string::npos);
}

// The signal a user's Ctrl+C or a service manager sends, to the program as it runs: once the
// status log shows the copy under way. Whether it lands in the large file or in one of the many
// small ones after it, the run is cancelled, the original comes back and nothing new stays.
TEST(QuellitSetupUnattended, SigtermToTheRunningProgramCancelsTheCopy) {
  TWizardSandbox Sandbox;
  std::string Original(16 << 20, 'o');
  Original.replace(0, 8, "original");
  Sandbox.WriteProduct(1, "Docs/big.dat", Original);
  Sandbox.WritePayload(1, "Docs/big.dat", std::string(16 << 20, 'n'));
  for (int I = 0; I < 1000; ++I) Sandbox.WritePayload(1, "many/f" + std::to_string(I) + ".txt", "x");
  std::string Out = Sandbox.Scratch() / "out.txt", Err = Sandbox.Scratch() / "err.txt";
  std::string PidFile = Sandbox.Scratch() / "pid";
  // exec keeps the shell's process id, so the id written first is the wizard's.
  std::string Command = "echo $$ >'" + PidFile + "'; exec env LC_ALL=ru_RU.UTF-8 '" + QUELLIT_SETUP +
                        "' --unattended --setup-dir '" + (Sandbox.Scratch() / "Program") + "' >'" + Out +
                        "' 2>'" + Err + "'";
  Platform::TChildProcess Wizard("/bin/sh", {"-c", Command});
  auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (TScratchFolder::Read(Out).find("Создана директория") == std::string::npos) {
    ASSERT_FALSE(Wizard.TryWait()) << "the wizard ended before its copy was seen";
    ASSERT_LT(std::chrono::steady_clock::now(), Deadline);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  std::string Pid = TScratchFolder::Read(PidFile);
  Pid.erase(Pid.find_last_not_of('\n') + 1);
  ASSERT_EQ(Platform::TChildProcess("/bin/kill", {"-TERM", Pid}).Wait(), 0);
  EXPECT_EQ(Wizard.Wait(), ueCancelled) << TScratchFolder::Read(Err);
  EXPECT_TRUE(Sandbox.ReadProduct(1, "Docs/big.dat") == Original);
  EXPECT_FALSE(fs::exists(Sandbox.ProductRoot(1) + "many"));
  EXPECT_NE(TScratchFolder::Read(Out).find("Произвожу процесс восстановления данных.\n"), std::string::npos);
}

}  // namespace
}  // namespace Quellit
