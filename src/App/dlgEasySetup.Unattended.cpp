#include "App/dlgEasySetup.Unattended.h"

#include <ostream>

#include "App/dlgEasySetup.ConsoleView.h"
#include "App/dlgEasySetup.UpdateEngine.h"
#include "App/dlgEasySetup.h"
#include "Platform/TerminationSignal.h"
#include "SysInfo/SysInfo.Core.Veska8.h"

namespace Quellit {

namespace {

std::string LogFileOf(const std::vector<std::string>& AArguments) {
  for (std::size_t I = 0; I + 1 < AArguments.size(); ++I)
    if (AArguments[I] == "--log") return AArguments[I + 1];
  return "";
}

// The one place that reads the modes from the argument list.
bool HasArgument(const std::vector<std::string>& AArguments, const std::string& AOption) {
  for (const std::string& Argument : AArguments)
    if (Argument == AOption) return true;
  return false;
}

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

// The page the run ended on, as an exit status; nothing while the run goes on.
std::optional<int> Outcome(const TConsoleView& AView) {
  if (AView.CancelConfirmed() || Platform::TerminationRequested()) return ueCancelled;
  if (AView.ErrorShown()) return ueError;
  return std::nullopt;
}

int RunPages(TfrmEasySetup& AForm, const TConsoleView& AView) {
  AForm.ShowLinksDialog = false;
  AForm.ShowConnectionsDialog = false;
  AForm.Image3Click();  // the copy
  if (auto Code = Outcome(AView)) return *Code;
  // A missing product sends the wizard on to the last page at once.
  bool Installed = AForm.FPageState == psCopyData;
  if (Installed) AForm.Image3Click();  // shortcuts and connections
  if (auto Code = Outcome(AView)) return *Code;
  AForm.Image3Click();  // "Готово"
  if (!Installed) return ueNotInstalled;
  return AForm.Engine().FailedEntries().empty() ? ueDone : ueEntriesFailed;
}

}  // namespace

int RunUnattended(const std::vector<std::string>& AArguments, std::ostream& AOut, std::ostream& AErr) {
  TConsoleView View(AOut, AErr, LogFileOf(AArguments));
  TfrmEasySetup Form(View);
  View.SetForm(&Form);
  Form.Unattended = true;
  if (HasArgument(AArguments, "--dry-run")) return RunDryRun(Form, AOut);
  if (HasArgument(AArguments, "--recover")) return RunRecovery(Form, AErr);
  if (!Form.FormCreate()) return StartRefused(Form);
  Platform::CatchTerminationSignals();
  int Code = RunPages(Form, View);
  if (Code == ueEntriesFailed) ListFailedEntries(Form.Engine(), AErr);
  return Code;
}

}  // namespace Quellit
