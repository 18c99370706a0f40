#include "App/dlgEasySetup.Unattended.h"

#include <ostream>

#include "App/dlgEasySetup.ConsoleView.h"
#include "App/dlgEasySetup.h"
#include "Platform/Environment.h"
#include "Platform/TerminationSignal.h"

namespace Quellit {

namespace {

const char* const PageNames[] = {"psHello", "psCopyData", "psShortCuts", "psConnections", "psDone", "psClose"};

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
  return Installed ? ueDone : ueNotInstalled;
}

}  // namespace

int RunUnattended(const TCommandLine& ACommandLine, std::ostream& AOut, std::ostream& AErr) {
  // Until the update engine carries its plan and journal, a dry run or a recovery must never fall
  // through to a real update.
  if (ACommandLine.DryRun || ACommandLine.Recover) {
    AErr << "quellit-setup: " << (ACommandLine.DryRun ? "--dry-run" : "--recover")
         << " is not available in this build; nothing was changed" << std::endl;
    return ueError;
  }
  TConsoleView View(AOut, AErr, ACommandLine.LogFile.value_or(""));
  TfrmEasySetup Form(View);
  View.SetForm(&Form);
  if (!Form.FormCreate()) return ueClientRunning;
  Platform::CatchTerminationSignals();
  return RunPages(Form, View, AErr);
}

}  // namespace Quellit
