#include "App/dlgEasySetup.Unattended.h"

#include <ostream>

#include "App/dlgEasySetup.ConsoleView.h"
#include "App/dlgEasySetup.h"
#include "Platform/TerminationSignal.h"

namespace Quellit {

namespace {

std::string LogFileOf(const std::vector<std::string>& AArguments) {
  for (std::size_t I = 0; I + 1 < AArguments.size(); ++I)
    if (AArguments[I] == "--log") return AArguments[I + 1];
  return "";
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
  return Installed ? ueDone : ueNotInstalled;
}

}  // namespace

int RunUnattended(const std::vector<std::string>& AArguments, std::ostream& AOut, std::ostream& AErr) {
  TConsoleView View(AOut, AErr, LogFileOf(AArguments));
  TfrmEasySetup Form(View);
  View.SetForm(&Form);
  if (!Form.FormCreate()) return ueClientRunning;
  Platform::CatchTerminationSignals();
  return RunPages(Form, View);
}

}  // namespace Quellit
