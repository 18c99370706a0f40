// The update wizard's controller: the page state machine behind the window, its flags and the
// objects of one run. It talks to its window only through IEasySetupView; the steps themselves
// live in their own units (update engine, shortcuts, connections).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "App/dlgEasySetup.View.h"
#include "Lib/Common/Common.Object.h"
#include "Platform/Path.h"

namespace Quellit {

class TUpdateEngine;
namespace Platform {
class TFileLock;
}

enum TPageState { psHello, psCopyData, psShortCuts, psConnections, psDone, psClose };

// One collected payload entry: the path relative to its payload root (native separators, no
// separator at either end) and which payload it came from.
struct TDataEntry {
  std::string Name;
  int EntryKind = 0;  // 0 the client payload, 1 the product payload
};

// Why FormCreate refused to start.
enum TStartRefusal { srNone, srClientRunning, srAnotherUpdate, srRecoveryFailed };
// The question a Cancel asks before it undoes the update, and its caption.
inline constexpr const char* CancelUpdateCaption = "Завершение программы";
inline constexpr const char* CancelUpdateQuestion = "Отменить процесс экспресс обновления?";

// The payloads beside the program, relative to its folder, with a trailing separator.
inline const std::string ClientPayloadFolder = Platform::JoinFolderPath("QuellitSetupData", "Client");
inline const std::string ProductPayloadFolder = Platform::JoinFolderPath("QuellitSetupData", "Корвел");

class TfrmEasySetup : public TObject {
 public:
  explicit TfrmEasySetup(IEasySetupView& AView);
  TfrmEasySetup(const TfrmEasySetup&) = delete;
  TfrmEasySetup& operator=(const TfrmEasySetup&) = delete;
  ~TfrmEasySetup() override;

  // Start-up: takes the update lock, undoes interrupted runs, then probes the client. False when
  // the start is refused (StartRefusal says why): the message has been shown and the caller ends
  // the process before the window appears.
  bool FormCreate();
  // The product's update lock, held until the form goes. False (and the refusal shown) when
  // another run holds it.
  bool TakeUpdateLock();
  // Undoes the runs whose journals never completed; what was done goes to the status log
  // (unattended) or a message box (window). False when something could not be restored.
  bool RecoverInterruptedUpdates();
  void FormCloseQuery(bool& ACanClose);
  // The Next button (picture and label, click and double click).
  void Image3Click();
  // The Cancel button (picture and label).
  void Image2Click();
  // Shared by both button pictures; the labels forward with the picture as sender.
  void Image3MouseDown(TEasySetupControl ASender, TMouseButton AButton);
  void Image3MouseUp(TEasySetupControl ASender, TMouseButton AButton);
  // The confirmed cancel of the update: the replaced files come back, the created shortcuts go,
  // and the wizard passes on to its closing page, which says so. From here on no step changes
  // anything. Also what the unattended front end does on a termination signal.
  void CancelUpdate();
  // A click in the wizard's tree changes the clicked node only.
  void tvShortCutsCheck(TTreeNodeId ANode, bool& ANewState, bool& AApplyForSubNodes);

  void SetPageState(TPageState APage);
  void ReadSettings();
  bool IsAutoLink(const std::string& APath) const;
  bool IsAutoConnection(const std::string& APath) const;

  // The steps (update engine, shortcuts, connections).
  void UpdateFiles();
  void Rollback();
  void CreateShortcuts();
  void AddConnections();

  // The program's own folder and the two payload roots, each with a trailing separator.
  std::string ExeDir() const;
  std::string ClientPayload() const { return ExeDir() + ClientPayloadFolder; }
  std::string ProductPayload() const { return ExeDir() + ProductPayloadFolder; }
  IEasySetupView& View() const { return FView; }
  TUpdateEngine& Engine() { return *FEngine; }

  // Set by the unattended front end: reports go to the status log instead of message boxes.
  bool Unattended = false;
  TStartRefusal StartRefusal = srNone;

  // ---- the run's state, in the window's declaration order
  bool CloseStatus = false;
  TPageState FPageState = psHello;
  std::string VeskaCommonFolder;
  std::string VeskaAppFolder;
  std::string BackUpCommonFolder;
  std::string BackUpAppFolder;
  std::vector<TDataEntry> DataList;
  std::vector<std::string> ShortCutList;
  bool BreakInstall = false;
  bool StartInstall = false;
  std::vector<std::string> AutoLinks;
  std::vector<std::string> AutoConnections;
  bool ShowLinksDialog = true;
  bool ShowConnectionsDialog = true;
  std::string ExternalFileExts;

 private:
  void EnterCopyData();
  void EnterShortCuts();
  void EnterConnections();
  void EnterDone();
  void CloseWindow();
  bool CancelDisabled() const;
  // Runs an event handler the way the application does: an error that escapes it is shown by
  // the standard error display.
  template <class TAction>
  void Guarded(TAction AAction);

  IEasySetupView& FView;
  std::unique_ptr<TUpdateEngine> FEngine;
  std::unique_ptr<Platform::TFileLock> FUpdateLock;
};

}  // namespace Quellit
