#include "App/dlgEasySetup.h"

#include <algorithm>

#include "App/dlgEasySetup.Connections.h"
#include "App/dlgEasySetup.Settings.h"
#include "App/dlgEasySetup.Shortcuts.h"
#include "App/dlgEasySetup.UpdateEngine.h"
#include "Lib/Common/Common.Exception.h"
#include "Platform/File.h"
#include "Platform/FileLock.h"
#include "Platform/NamedMutex.h"
#include "Platform/Process.h"
#include "SysInfo/SysInfo.Core.Veska8.h"

namespace Quellit {

namespace {

const char* const WarningCaption = "Внимание !!!";
const char* const RecoveryCaption = "Восстановление данных";

std::string JoinedLines(const std::vector<std::string>& ALines) {
  std::string Text;
  for (const std::string& Line : ALines) Text += (Text.empty() ? "" : "\n") + Line;
  return Text;
}

}  // namespace

TfrmEasySetup::TfrmEasySetup(IEasySetupView& AView) : FView(AView), FEngine(std::make_unique<TUpdateEngine>(*this)) {}

// The engine goes first: it marks its journals complete while the lock is still held.
TfrmEasySetup::~TfrmEasySetup() { FEngine.reset(); }

std::string TfrmEasySetup::ExeDir() const { return Platform::ExecutableFolder(); }

template <class TAction>
void TfrmEasySetup::Guarded(TAction AAction) {
  try {
    AAction();
  } catch (const std::exception& E) {
    FView.ShowError(E.what());
  }
}

bool TfrmEasySetup::TakeUpdateLock() {
  // The lock lives with the product, in its machine-wide folder, so runs of two users on one
  // machine see each other. Without that folder there is nothing machine-wide to guard.
  const TVeska8Information32& Product = TVeska8Information32::Instance();
  for (const std::string& Folder : {Product.CommonDataFolder(), Product.MyFolderRoot()}) {
    if (!Platform::DirectoryExists(Folder)) continue;
    FUpdateLock = std::make_unique<Platform::TFileLock>(Folder + "QuellitSetup.lock");
    if (FUpdateLock->Held()) return true;
    FUpdateLock.reset();
    FView.ShowMessageBox(WarningCaption,
                         "Обновление Корвел уже выполняется другой копией программы. Дождитесь его завершения.",
                         miWarning);
    return false;
  }
  return true;
}

bool TfrmEasySetup::RecoverInterruptedUpdates() {
  const TVeska8Information32& Product = TVeska8Information32::Instance();
  TRecoveryReport Report = Quellit::RecoverInterruptedUpdates({Product.CommonDataFolder(), Product.MyFolderRoot()}, false);
  if (Report.Interrupted == 0) return true;
  if (!Report.Failures.empty())
    Report.Lines.push_back("Восстановить данные прерванного обновления полностью не удалось; обновление не выполняется.");
  if (Unattended) {
    for (const std::string& Line : Report.Lines) FView.AppendStatusLine(Line);
  } else {
    FView.ShowMessageBox(RecoveryCaption, JoinedLines(Report.Lines), Report.Failures.empty() ? miInformation : miWarning);
  }
  return Report.Failures.empty();
}

bool TfrmEasySetup::FormCreate() {
  StartRefusal = srNone;
  // Before anything else: a second wizard is refused as such, and only the lock's holder may
  // undo an interrupted run (a running one would look interrupted to anybody else).
  if (!TakeUpdateLock()) {
    StartRefusal = srAnotherUpdate;
    return false;
  }
  if (!RecoverInterruptedUpdates()) {
    StartRefusal = srRecoveryFailed;
    return false;
  }
  {
    // Only a probe: the wizard does not keep the client's mutex, so a client started later runs.
    Platform::TNamedMutex Mutex(TVeska8Information32::Instance().MutexName());
    if (Mutex.AlreadyExists()) {
      FView.ShowMessageBox(WarningCaption, "Для установки обновления , необходимо завершить работу клиента Корвел.",
                           miWarning);
      StartRefusal = srClientRunning;
      return false;
    }
  }
  FPageState = psHello;
  CloseStatus = false;
  DataList.clear();
  ShortCutList.clear();
  ReadSettings();
  return true;
}

void TfrmEasySetup::ReadSettings() {
  TEasySetupSettings Settings = ReadEasySetupSettings(ExeDir(), ProductPayload());
  ShowLinksDialog = Settings.ShowLinksDialog;
  ShowConnectionsDialog = Settings.ShowConnectionsDialog;
  AutoLinks = std::move(Settings.AutoLinks);
  AutoConnections = std::move(Settings.AutoConnections);
  ExternalFileExts = std::move(Settings.ExternalFileExts);
}

bool TfrmEasySetup::IsAutoLink(const std::string& APath) const {
  return std::find(AutoLinks.begin(), AutoLinks.end(), APath) != AutoLinks.end();
}

bool TfrmEasySetup::IsAutoConnection(const std::string& APath) const {
  return std::find(AutoConnections.begin(), AutoConnections.end(), APath) != AutoConnections.end();
}

void TfrmEasySetup::UpdateFiles() { FEngine->UpdateFiles(); }
void TfrmEasySetup::Rollback() { FEngine->Rollback(); }
void TfrmEasySetup::CreateShortcuts() { Quellit::CreateShortcuts(*this); }
void TfrmEasySetup::AddConnections() { Quellit::AddConnections(*this); }

// ---- pages ------------------------------------------------------------------------------------

void TfrmEasySetup::SetPageState(TPageState APage) {
  // The copy step processes events; a Next click arriving inside it must not change the page.
  if (StartInstall) return;
  FPageState = APage;
  switch (APage) {
    case psHello: StartInstall = false; break;
    case psCopyData: EnterCopyData(); break;
    case psShortCuts: EnterShortCuts(); break;
    case psConnections: EnterConnections(); break;
    case psDone: EnterDone(); break;
    case psClose: CloseWindow(); break;
  }
}

void TfrmEasySetup::EnterCopyData() {
  StartInstall = true;
  std::exception_ptr Failure;
  try {
    UpdateFiles();
  } catch (...) {
    Failure = std::current_exception();
  }
  if (BreakInstall) {
    FView.AppendStatusLine("Произвожу процесс восстановления данных.");
    FView.ProcessMessages();
    // The second rollback catches what the one run from the cancel could not move yet.
    try {
      Rollback();
    } catch (...) {
      if (!Failure) Failure = std::current_exception();
    }
    CloseWindow();
  }
  FView.SetFontColor(ctlLblNext, clWindowText);
  FView.SetVisible(ctlPbStatus, false);
  FView.SetVisible(ctlPbCurrentProgress, false);
  FView.SetText(ctlLblStatus, "Копирование завершено. Для продолжения нажмите \"Далее>\"");
  StartInstall = false;
  if (Failure) std::rethrow_exception(Failure);
}

void TfrmEasySetup::EnterShortCuts() {
  FView.SetVisible(ctlLblShortCuts, true);
  FView.SetVisible(ctlMemStatus, false);
  FView.SetVisible(ctlLblStatus, false);
  if (ShowLinksDialog)
    FView.SetVisible(ctlTvShortCuts, true);
  else
    SetPageState(psConnections);
}

void TfrmEasySetup::EnterConnections() {
  // After a cancel the run changes nothing more: no shortcuts, no connections page whose choices
  // would be ignored; straight on to the closing page with its cancel text.
  if (BreakInstall) return SetPageState(psDone);
  FView.SetText(ctlLblShortCuts, "Выберите папки которые необходимо подключить к Корвел:");
  CreateShortcuts();
  TTreeNodeId Host = FView.AddChildLast(NoTreeNode, KorvelSiteHost);
  FView.SetChecked(Host, IsAutoConnection(KorvelSiteHost), false);
  if (ShowConnectionsDialog)
    FView.SetVisible(ctlTvShortCuts, true);
  else
    SetPageState(psDone);
}

void TfrmEasySetup::EnterDone() {
  FView.SetVisible(ctlTvShortCuts, false);
  FView.SetVisible(ctlLblShortCuts, false);
  if (!BreakInstall) AddConnections();
  // The run's last change is behind it.
  FEngine->Finish();
  FView.SetFontColor(ctlLblCancel, clDisabledLabel);
  FView.SetText(ctlLblNext, "Готово");
  FView.SetVisible(ctlLblFinish, true);
}

void TfrmEasySetup::CloseWindow() {
  CloseStatus = true;
  FView.Close();
}

// ---- buttons ----------------------------------------------------------------------------------

bool TfrmEasySetup::CancelDisabled() const { return FView.FontColor(ctlLblCancel) == clDisabledLabel; }

void TfrmEasySetup::Image3Click() {
  Guarded([this] {
    Image3MouseUp(ctlImage3, mbLeft);
    SetPageState(static_cast<TPageState>(FPageState + 1));
  });
}

void TfrmEasySetup::Image2Click() {
  Guarded([this] {
    if (CancelDisabled()) return;
    bool Copying = StartInstall || FPageState == psCopyData || FPageState == psShortCuts;
    if (!Copying) {
      if (FView.AskYesNo(CancelUpdateCaption, "Закрыть утилиту экспресс обновления?")) CloseWindow();
      return;
    }
    if (!FView.AskYesNo(CancelUpdateCaption, CancelUpdateQuestion)) return;
    CancelUpdate();
  });
}

void TfrmEasySetup::CancelUpdate() {
  BreakInstall = true;
  // Rolled back from inside the copy as well: the copy's epilogue rolls back a second time for
  // what was still open now, and closes the window.
  Rollback();
  FView.SetVisible(ctlMemStatus, false);
  FView.SetVisible(ctlLblStatus, false);
  FView.SetText(ctlLblFinish, "Экспресс установка отменена пользователем. Для завершения нажмите кнопку \"Готово\"");
  SetPageState(psConnections);
}

void TfrmEasySetup::FormCloseQuery(bool& ACanClose) {
  if (!CloseStatus) Image2Click();
  ACanClose = CloseStatus;
}

void TfrmEasySetup::Image3MouseDown(TEasySetupControl ASender, TMouseButton AButton) {
  if (AButton != mbLeft) return;
  if (ASender == ctlImage2 && CancelDisabled()) return;
  if (StartInstall) return;
  FView.AssignPicture(ASender, ctlImage5);
  FView.ProcessMessages();
}

void TfrmEasySetup::Image3MouseUp(TEasySetupControl ASender, TMouseButton AButton) {
  if (AButton != mbLeft) return;
  FView.AssignPicture(ASender, ctlImage4);
  FView.ProcessMessages();
}

void TfrmEasySetup::tvShortCutsCheck(TTreeNodeId, bool&, bool& AApplyForSubNodes) { AApplyForSubNodes = false; }

}  // namespace Quellit
