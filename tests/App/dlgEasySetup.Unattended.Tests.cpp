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

// The program is started through /bin/sh, which a Windows build has not; the Windows test run starts
// the real quellit-setup.exe in its end-to-end case instead.
#ifndef _WIN32
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
    EXPECT_FALSE(fs::exists(Testing::FileSystemPathOf(Sandbox.ProductRoot(0) + "a.txt"))) << Case.Name;
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
  TCommandLine CommandLine;
  CommandLine.Unattended = true;
  EXPECT_EQ(RunUnattended(CommandLine, Out, Err), ueCancelled);
  Platform::ClearTerminationRequest();
  EXPECT_EQ(Sandbox.ReadProduct(1, "a.txt"), "original");
  EXPECT_FALSE(fs::exists(Testing::FileSystemPathOf(Sandbox.ProductRoot(1) + "b.txt")));
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
  EXPECT_FALSE(fs::exists(Testing::FileSystemPathOf(Sandbox.ProductRoot(1) + "many")));
  EXPECT_NE(TScratchFolder::Read(Out).find("Произвожу процесс восстановления данных.\n"), std::string::npos);
}

// ---- the command line ------------------------------------------------------------------------

std::string Quoted(const std::string& AText) {
  std::string Result = "'";
  for (char C : AText) Result += C == '\'' ? std::string("'\\''") : std::string(1, C);
  return Result + "'";
}

// quellit-setup with exactly these arguments (after the sandbox's --setup-dir), no display named.
TRun RunArguments(const TWizardSandbox& ASandbox, const std::vector<std::string>& AArguments) {
  std::string Out = ASandbox.Scratch() / "out.txt", Err = ASandbox.Scratch() / "err.txt";
  std::string Command = std::string("LC_ALL=ru_RU.UTF-8 DISPLAY= WAYLAND_DISPLAY= QT_QPA_PLATFORM= ") +
                        Quoted(QUELLIT_SETUP) + " --setup-dir " + Quoted(ASandbox.Scratch() / "Program");
  for (const std::string& Argument : AArguments) Command += " " + Quoted(Argument);
  Command += " >" + Quoted(Out) + " 2>" + Quoted(Err);
  TRun Run;
  Run.ExitCode = Platform::TChildProcess("/bin/sh", {"-c", Command}).Wait();
  Run.Out = TScratchFolder::Read(Out);
  Run.Err = TScratchFolder::Read(Err);
  return Run;
}

struct TCommandLineCase {
  std::vector<std::string> Arguments;
  int ExitCode;
  std::string ErrorStart;  // "" for --help: the usage goes to standard output
};

// --help and every mistake end the program before it looks at the product: nothing in the sandbox
// changes, and the usage says what the program takes.
TEST(QuellitSetupCommandLine, HelpAndMistakesNeverStartAnUpdate) {
  const std::vector<TCommandLineCase> Cases = {
      {{"--unattended", "--help"}, 0, ""},
      {{"--help"}, 0, ""},
      {{"-Portable", "--unattended", "--help"}, 0, ""},
      {{"--unattended", "--bogus"}, ueUsage, "quellit-setup: unknown option --bogus\n"},
      {{"--unattended", "-x"}, ueUsage, "quellit-setup: unknown option -x\n"},
      {{"--unattended", "stray"}, ueUsage, "quellit-setup: unexpected argument stray\n"},
      {{"--unattended", "--help", "--bogus"}, ueUsage, "quellit-setup: unknown option --bogus\n"},
      {{"--unattended=yes"}, ueUsage, "quellit-setup: option --unattended takes no value\n"},
      {{"--unattended", "--log"}, ueUsage, "quellit-setup: option --log needs a value\n"},
      {{"--unattended", "--log="}, ueUsage, "quellit-setup: option --log needs a value\n"},
      {{"--unattended", "--log", "--dry-run"}, ueUsage, "quellit-setup: option --log needs a value\n"},
      {{"--unattended", "--log", "a", "--log", "b"}, ueUsage, "quellit-setup: option --log is given twice\n"},
      {{"--dry-run"}, ueUsage, "quellit-setup: option --dry-run needs --unattended\n"},
      {{"--recover"}, ueUsage, "quellit-setup: option --recover needs --unattended\n"},
      {{"--unattended", "--tour", "pictures"}, ueUsage,
       "quellit-setup: option --tour is for the window, not with --unattended\n"},
      {{"--unattended", "--setup-dir"}, ueUsage, "quellit-setup: Option --setup-dir needs a folder\n"},
  };
  for (const TCommandLineCase& Case : Cases) {
    std::string Name;
    for (const std::string& Argument : Case.Arguments) Name += Argument + " ";
    SCOPED_TRACE(Name);
    TWizardSandbox Sandbox;
    Sandbox.WriteProduct(1, "a.txt", "original");
    Sandbox.WritePayload(1, "a.txt", "new");
    Sandbox.WriteSettings("[links]\n1=a.txt\n[connections]\n1=korvel.ru\n");
    TRun Run = RunArguments(Sandbox, Case.Arguments);
    EXPECT_EQ(Run.ExitCode, Case.ExitCode) << Run.Err;
    const std::string Usage = CommandLineUsage();
    if (Case.ErrorStart.empty()) {
      EXPECT_EQ(Run.Out, Usage);
      EXPECT_EQ(Run.Err, "");
    } else {
      EXPECT_EQ(Run.Out, "");
      EXPECT_EQ(Run.Err, Case.ErrorStart + "\n" + Usage);
    }
    EXPECT_EQ(Sandbox.ReadProduct(1, "a.txt"), "original");
    EXPECT_FALSE(fs::exists(Testing::FileSystemPathOf(Sandbox.ProductRoot(1) + "QuellitBackup")));
    EXPECT_TRUE(fs::is_empty(Sandbox.Desktop()));
    EXPECT_FALSE(fs::exists(TVeska8Information32::Instance().ConnectionOptionsFilename()));
  }
}

#endif  // _WIN32

TEST(QuellitSetupCommandLine, TheUsageNamesEveryOptionAndExitStatus) {
  const std::string Usage = CommandLineUsage();
  for (const char* Option : {"--unattended", "--recover", "--dry-run", "--log FILE", "--tour DIR", "--setup-dir DIR",
                             "-portable", "--help"})
    EXPECT_NE(Usage.find(std::string("  ") + Option + " "), std::string::npos) << Option;
  for (const char* Status : {"0", "1", "2", "3", "4", "5", "6", "64"})
    EXPECT_NE(Usage.find(std::string("\n  ") + Status + " "), std::string::npos) << Status;
}

struct TParseCase {
  std::vector<std::string> Arguments;
  TCommandLine Expected;
};

TCommandLine Line(bool AUnattended, std::optional<std::string> ALog = {}, std::optional<std::string> ATour = {}) {
  TCommandLine Result;
  Result.Unattended = AUnattended;
  Result.LogFile = std::move(ALog);
  Result.TourFolder = std::move(ATour);
  return Result;
}

TEST(ParseCommandLine, ReadsEveryOptionInEitherForm) {
  TCommandLine Portable = Line(true);
  Portable.Portable = true;
  TCommandLine Switches = Line(true);
  Switches.Recover = Switches.DryRun = Switches.Help = true;
  const std::vector<TParseCase> Cases = {
      {{}, Line(false)},
      {{"--unattended"}, Line(true)},
      {{"--log", "run.log", "--unattended"}, Line(true, "run.log")},
      {{"--unattended", "--log=run log.txt"}, Line(true, "run log.txt")},
      {{"--tour=pictures"}, Line(false, {}, "pictures")},
      {{"--tour", "/tmp/p", "--log", "l"}, Line(false, "l", "/tmp/p")},
      {{"--unattended", "/PORTABLE"}, Portable},
      {{"-portable", "--unattended", "-Portable"}, Portable},
      {{"--unattended", "--recover", "--dry-run", "--help"}, Switches},
  };
  for (const TParseCase& Case : Cases) {
    TCommandLine Parsed = ParseCommandLine(Case.Arguments);
    std::string Name = Case.Arguments.empty() ? "(none)" : Case.Arguments[0];
    EXPECT_EQ(Parsed.Unattended, Case.Expected.Unattended) << Name;
    EXPECT_EQ(Parsed.Help, Case.Expected.Help) << Name;
    EXPECT_EQ(Parsed.Recover, Case.Expected.Recover) << Name;
    EXPECT_EQ(Parsed.DryRun, Case.Expected.DryRun) << Name;
    EXPECT_EQ(Parsed.Portable, Case.Expected.Portable) << Name;
    EXPECT_EQ(Parsed.LogFile, Case.Expected.LogFile) << Name;
    EXPECT_EQ(Parsed.TourFolder, Case.Expected.TourFolder) << Name;
  }
  // "--portable" is not the product's switch (one dash or a slash only).
  EXPECT_THROW(ParseCommandLine({"--portable"}), ECommandLineError);
}

// ---- a termination signal after the copy -------------------------------------------------------

#ifndef _WIN32
struct TSignalCase {
  const char* Page;
  const char* Signal;
  int ExitCode;
  bool Cancelled;  // the update is rolled back and nothing after it was made
};

// The run is held on a chosen page by the test hook, then signalled as a user's Ctrl+C or a
// service manager would. Up to the connections page that is a confirmed cancel: the original
// comes back, no shortcut is made, no connection added, and only then the status is 4. On the
// closing page the update is complete and the signal only ends the run.
TEST(QuellitSetupUnattended, ATerminationSignalOnAPageAfterTheCopyIsAConfirmedCancel) {
  const std::vector<TSignalCase> Cases = {
      {"psCopyData", "-TERM", ueCancelled, true},
      {"psShortCuts", "-TERM", ueCancelled, true},
      {"psShortCuts", "-INT", ueCancelled, true},
      {"psConnections", "-TERM", ueCancelled, true},
      {"psDone", "-TERM", ueDone, false},
  };
  for (const TSignalCase& Case : Cases) {
    SCOPED_TRACE(std::string(Case.Page) + " " + Case.Signal);
    TWizardSandbox Sandbox;
    Sandbox.WriteProduct(1, "Docs/readme.txt", "original");
    Sandbox.WritePayload(1, "Docs/readme.txt", "new");
    Sandbox.WritePayload(1, "Нормативы/base.dat", "b");
    Sandbox.WriteSettings("[links]\n1=Нормативы\n[connections]\n1=Нормативы\n");
    std::string Out = Sandbox.Scratch() / "out.txt", Err = Sandbox.Scratch() / "err.txt";
    std::string PidFile = Sandbox.Scratch() / "pid";
    std::string Command = "echo $$ >" + Quoted(PidFile) + "; exec env LC_ALL=ru_RU.UTF-8 QUELLIT_TEST_HOLD_PAGE=" +
                          Case.Page + " " + Quoted(QUELLIT_SETUP) + " --unattended --setup-dir " +
                          Quoted(Sandbox.Scratch() / "Program") + " >" + Quoted(Out) + " 2>" + Quoted(Err);
    Platform::TChildProcess Wizard("/bin/sh", {"-c", Command});
    auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (TScratchFolder::Read(Err).find(std::string("holding on ") + Case.Page) == std::string::npos) {
      ASSERT_FALSE(Wizard.TryWait()) << "the wizard ended before it reached the page: " << TScratchFolder::Read(Err);
      ASSERT_LT(std::chrono::steady_clock::now(), Deadline);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::string Pid = TScratchFolder::Read(PidFile);
    Pid.erase(Pid.find_last_not_of('\n') + 1);
    ASSERT_EQ(Platform::TChildProcess("/bin/kill", {Case.Signal, Pid}).Wait(), 0);
    EXPECT_EQ(Wizard.Wait(), Case.ExitCode) << TScratchFolder::Read(Err);
    EXPECT_EQ(Sandbox.ReadProduct(1, "Docs/readme.txt"), Case.Cancelled ? "original" : "new");
    EXPECT_EQ(fs::exists(Sandbox.Desktop() + "Нормативы.desktop"), !Case.Cancelled);
    std::string Connections = TVeska8Information32::Instance().ConnectionOptionsFilename();
    EXPECT_EQ(fs::exists(Connections) && TScratchFolder::Read(Connections).find("KV.Files") != std::string::npos,
              !Case.Cancelled);
    EXPECT_EQ(TScratchFolder::Read(Err).find("Завершение программы: Отменить процесс экспресс обновления?\n") !=
                  std::string::npos,
              Case.Cancelled);
  }
}

#endif  // _WIN32

}  // namespace
}  // namespace Quellit
