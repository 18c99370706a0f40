#include "App/dlgEasySetup.Unattended.h"

#include <ostream>

#include "App/dlgEasySetup.ConsoleView.h"
#include "App/dlgEasySetup.UpdateEngine.h"
#include "App/dlgEasySetup.h"
#include "Platform/Environment.h"
#include "Platform/TerminationSignal.h"
#include "SysInfo/SysInfo.Core.Veska8.h"

namespace Quellit {

namespace {

const char* const PageNames[] = {"psHello", "psCopyData", "psShortCuts", "psConnections", "psDone", "psClose"};

int StartRefused(const TfrmEasySetup& AForm) {
  switch (AForm.StartRefusal) {
    case srAnotherUpdate: return ueAnotherUpdate;
    case srRecoveryFailed: return ueError;
    default: return ueClientRunning;
  }
}

// Only the undo of interrupted runs, under the update lock.
int RunRecovery(TfrmEasySetup& AForm, std::ostream& AErr) {
  if (!AForm.TakeUpdateLock()) return ueAnotherUpdate;
  const TVeska8Information32& Product = TVeska8Information32::Instance();
  TRecoveryReport Report = RecoverInterruptedUpdates({Product.CommonDataFolder(), Product.MyFolderRoot()}, false);
  for (const std::string& Line : Report.Lines) AForm.View().AppendStatusLine(Line);
  if (Report.Interrupted == 0) AForm.View().AppendStatusLine("Прерванных обновлений нет.");
  if (Report.Failures.empty()) return ueDone;
  AErr << "Не восстановлено (журнал сохранен для следующей попытки):" << std::endl;
  for (const std::string& Failure : Report.Failures) AErr << "  " << Failure << std::endl;
  return ueError;
}

// The plan and the runs a start would undo; nothing is created, locked or written.
int RunDryRun(TfrmEasySetup& AForm, std::ostream& AOut) {
  const TVeska8Information32& Product = TVeska8Information32::Instance();
  AOut << "Пробный запуск: ничего не изменяется." << std::endl;
  TRecoveryReport Report = RecoverInterruptedUpdates({Product.CommonDataFolder(), Product.MyFolderRoot()}, true);
  for (const std::string& Line : Report.Lines) AOut << Line << std::endl;
  if (!AForm.Engine().ComputePlan()) {
    AForm.View().ShowMessageBox("Ошибка.", "Не удалось обнаружить установленную версию Корвел версии 8.0", miNone);
    return ueNotInstalled;
  }
  for (const std::string& Line : AForm.Engine().PlanLines()) AOut << Line << std::endl;
  return ueDone;
}

void ListFailedEntries(const TUpdateEngine& AEngine, std::ostream& AErr) {
  AErr << "Не обновлено записей: " << AEngine.FailedEntries().size() << std::endl;
  for (const TFailedEntry& Entry : AEngine.FailedEntries())
    AErr << "  " << Entry.EntryKind << ": \"" << Entry.Name << "\": " << Entry.Reason << std::endl;
}

// The page the run ended on, as an exit status; nothing while the run goes on. An error wins over
// a cancel: a rollback that failed did not put the files back.
std::optional<int> Outcome(const TConsoleView& AView) {
  if (AView.ErrorShown()) return ueError;
  if (AView.CancelConfirmed()) return ueCancelled;
  return std::nullopt;
}

// Test hook: QUELLIT_TEST_HOLD_PAGE=<page name> holds the run on that page until a termination
// signal arrives, so a test can signal a run standing on a chosen page.
void HoldIfAsked(TPageState APage, std::ostream& AErr) {
  if (Platform::GetEnvOr("QUELLIT_TEST_HOLD_PAGE", "") != PageNames[APage]) return;
  AErr << "quellit-setup: test hook: holding on " << PageNames[APage] << std::endl;
  Platform::WaitForTerminationRequest();
}

int RunPages(TfrmEasySetup& AForm, TConsoleView& AView, std::ostream& AErr) {
  // Each page is stopped at, as a user would, so a signal is noticed between the steps; the trees
  // themselves are never shown without a window.
  AForm.ShowLinksDialog = true;
  AForm.ShowConnectionsDialog = true;
  AForm.Image3Click();  // the copy
  // A missing product sends the wizard on towards the last page at once.
  bool Installed = AForm.FPageState == psCopyData;
  for (;;) {
    if (auto Code = Outcome(AView)) return *Code;
    HoldIfAsked(AForm.FPageState, AErr);
    if (AForm.FPageState >= psDone) break;
    if (!AView.CancelOnTerminationRequest()) AForm.Image3Click();
  }
  AForm.Image3Click();  // "Готово"
  if (!Installed) return ueNotInstalled;
  return AForm.Engine().FailedEntries().empty() ? ueDone : ueEntriesFailed;
}

}  // namespace

int RunUnattended(const TCommandLine& ACommandLine, std::ostream& AOut, std::ostream& AErr) {
  TConsoleView View(AOut, AErr, ACommandLine.LogFile.value_or(""));
  TfrmEasySetup Form(View);
  View.SetForm(&Form);
  Form.Unattended = true;
  if (ACommandLine.DryRun) return RunDryRun(Form, AOut);
  if (ACommandLine.Recover) return RunRecovery(Form, AErr);
  if (!Form.FormCreate()) return StartRefused(Form);
  Platform::CatchTerminationSignals();
  int Code = RunPages(Form, View, AErr);
  if (Code == ueEntriesFailed) ListFailedEntries(Form.Engine(), AErr);
  return Code;
}

}  // namespace Quellit
