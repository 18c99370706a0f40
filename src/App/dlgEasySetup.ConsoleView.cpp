#include "App/dlgEasySetup.ConsoleView.h"

#include <ostream>

#include "App/dlgEasySetup.h"
#include "Platform/TerminationSignal.h"

namespace Quellit {

TConsoleView::TConsoleView(std::ostream& AOut, std::ostream& AErr, const std::string& ALogFile)
    : FOut(AOut), FErr(AErr) {
  if (ALogFile.empty()) return;
  FLog = std::make_unique<Platform::TFileHandle>(ALogFile, Platform::TFileAccess::Write,
                                                 Platform::TFileDisposition::OpenAlways);
  FLog->Seek(0, Platform::TSeekOrigin::End);
}

void TConsoleView::SetText(TEasySetupControl, const std::string&) {}

void TConsoleView::SetFontColor(TEasySetupControl AControl, TColor AColor) {
  if (AControl == ctlLblCancel) FCancelColor = AColor;
}

TColor TConsoleView::FontColor(TEasySetupControl AControl) const {
  return AControl == ctlLblCancel ? FCancelColor : clWindowText;
}

bool TConsoleView::AskYesNo(const std::string& ACaption, const std::string& AText) {
  FErr << ACaption << ": " << AText << std::endl;
  return false;
}

void TConsoleView::ShowMessageBox(const std::string& ACaption, const std::string& AText, TMessageIcon) {
  FErr << ACaption << ": " << AText << std::endl;
}

void TConsoleView::ShowError(const std::string& AMessage) {
  FErrorShown = true;
  FErr << AMessage << std::endl;
}

void TConsoleView::AppendStatusLine(const std::string& ALine) {
  FOut << ALine << std::endl;
  if (!FLog) return;
  std::string Line = ALine + "\n";
  FLog->Write(Line.data(), static_cast<std::int64_t>(Line.size()));
}

void TConsoleView::SetProgressPosition(TEasySetupControl ABar, int APosition) {
  (ABar == ctlPbCurrentProgress ? FCurrentProgress : FOverallProgress) = APosition;
}

int TConsoleView::ProgressPosition(TEasySetupControl ABar) const {
  return ABar == ctlPbCurrentProgress ? FCurrentProgress : FOverallProgress;
}

TTreeNodeId TConsoleView::AddChildFirst(TTreeNodeId AParent, const std::string& AText) {
  return FTree.AddChildFirst(AParent, AText);
}

TTreeNodeId TConsoleView::AddChildLast(TTreeNodeId AParent, const std::string& AText) {
  return FTree.AddChildLast(AParent, AText);
}

void TConsoleView::SetChecked(TTreeNodeId ANode, bool AChecked, bool ASubNodes) {
  FTree.SetChecked(ANode, AChecked, ASubNodes);
}

void TConsoleView::ProcessMessages() {
  if (FForm && FForm->StartInstall) CancelOnTerminationRequest();
}

// The signal is acted upon once; a second one while the rollback runs changes nothing. The
// question is echoed as the window would have asked it, so the log of a run shows the cancel.
bool TConsoleView::CancelOnTerminationRequest() {
  if (!FForm || !Platform::TerminationRequested()) return false;
  Platform::ClearTerminationRequest();
  if (FForm->BreakInstall) return false;
  FErr << CancelUpdateCaption << ": " << CancelUpdateQuestion << std::endl;
  FCancelConfirmed = true;
  try {
    FForm->CancelUpdate();
  } catch (const std::exception& E) {
    ShowError(E.what());
  }
  return true;
}

}  // namespace Quellit
