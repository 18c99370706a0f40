// The copy step of the wizard and its undo, as a transaction. Scanning the payload gives the plan
// (every entry and what will happen to it); the journals, the dry run, the progress bars and the
// rollback all read it. Each product folder's run is reserved by its journal, originals are moved
// into the backup by one rename, new files are written beside their destination and renamed into
// place, and a failed copy puts its original back at once.
#pragma once

#include <array>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "App/dlgEasySetup.Journal.h"
#include "App/dlgEasySetup.View.h"
#include "Platform/SystemError.h"

namespace Quellit {

class TfrmEasySetup;

enum TPlanAction {
  paFolder,        // a folder that exists in the product already
  paCreateFolder,  // a folder the product lacks; created as the parent of its first file
  paAdd,           // a new file
  paReplace,       // the product's file goes to the backup, the new one takes its place
  paSkip           // not updated: Reason says why
};

struct TPlanEntry {
  TPlanAction Action = paAdd;
  std::string Reason;
};

// A payload root and where its entries go, once for both kinds.
struct TPayloadRoot {
  int Kind = 0;
  std::string Payload, Product, Backup;  // each with a trailing separator
  std::unique_ptr<TUpdateJournal> Journal;
  std::string JournalError;  // why this folder is not touched, when its journal could not be written
  std::set<std::string> Verified;  // relative folders known to be real folders, links ruled out
};

struct TFailedEntry {
  std::string Name;
  int EntryKind = 0;
  std::string Reason;
};

class TUpdateEngine {
 public:
  explicit TUpdateEngine(TfrmEasySetup& AForm);
  TUpdateEngine(const TUpdateEngine&) = delete;
  TUpdateEngine& operator=(const TUpdateEngine&) = delete;
  ~TUpdateEngine();

  void UpdateFiles();
  // Scans APath (ending with a separator) into the form's DataList and the plan and, for the
  // product payload, into the tree below AParentNode. ARoot is the outermost folder of the scan.
  void CollectFiles(const std::string& ARoot, const std::string& APath, const std::string& ARelPath,
                    TTreeNodeId AParentNode, int AKind);
  // Moves the original ASrc to ADst (in the backup folder) as it is; the failure when it could not.
  Platform::TOSResult MoveToBackup(const std::string& ASrc, const std::string& ADst);
  // Puts every original back from the journals and deletes the shortcuts made so far; files the
  // run added stay.
  void Rollback();

  // Only the plan: the product is located and the payload scanned; nothing is written. False when
  // the product is not installed.
  bool ComputePlan();
  // The plan as text lines for a person to read.
  std::vector<std::string> PlanLines() const;

  // Records a shortcut about to be written, so an interrupted run's recovery deletes it.
  void RecordShortcut(const std::string& ALink);
  // The run has ended: what it wrote is flushed and its journals marked complete.
  void Finish();

  const std::vector<TPlanEntry>& Plan() const { return FPlan; }
  const std::vector<TFailedEntry>& FailedEntries() const { return FFailed; }
  const TPayloadRoot& Root(int AKind) const { return FRoots[static_cast<std::size_t>(AKind)]; }

 private:
  TPayloadRoot& RootOf(int AKind) { return FRoots[static_cast<std::size_t>(AKind)]; }
  void SetUpRoots();
  void ReserveJournals();
  void WritePlans();
  void Log(const std::string& ALine);
  void Fail(std::size_t AIndex, const std::string& AReason);
  TPlanEntry PlanOf(int AKind, const std::string& AName, bool AIsFolder, bool AIsLink) const;
  bool EnsureFolder(TPayloadRoot& ARoot, const std::string& ARelativeFolder, std::string& AError);
  bool ProcessEntry(std::size_t AIndex);
  bool UpdateOneFile(std::size_t AIndex);
  bool WriteNewFile(std::size_t AIndex, bool AReplaced);
  void PutOriginalBack(std::size_t AIndex);

  TfrmEasySetup& FForm;
  std::array<TPayloadRoot, 2> FRoots;
  std::vector<TPlanEntry> FPlan;
  std::vector<TFailedEntry> FFailed;
  std::string FCopying;  // the temporary file the copy is writing now, "" between copies
};

// The journals of runs that never completed, in both product folders, each undone completely:
// originals back, added files and folders removed, shortcuts deleted. Lines say what was done;
// Failures name what could not be put right (those journals stay open for a later try). With
// ADryRun nothing is changed: Lines name the runs that would be undone.
struct TRecoveryReport {
  int Interrupted = 0;
  std::vector<std::string> Lines;
  std::vector<std::string> Failures;
};
TRecoveryReport RecoverInterruptedUpdates(const std::vector<std::string>& AProductFolders, bool ADryRun);

// The local date and time in the user's short date and long time forms, ":" made "-".
std::string BackupStamp();

}  // namespace Quellit
