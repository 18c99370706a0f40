// The copy step of the wizard and its undo: the payload is scanned, every product file it replaces
// is saved in a stamped backup folder first, the payload is copied in, and each step is logged.
#pragma once

#include <string>

#include "App/dlgEasySetup.View.h"

namespace Quellit {

class TfrmEasySetup;

void UpdateFiles(TfrmEasySetup& AForm);
// Scans APath (ending with a separator) into the form's DataList and, for the product payload,
// into the tree below AParentNode. ARoot is the outermost folder of the scan.
void CollectFiles(TfrmEasySetup& AForm, const std::string& ARoot, const std::string& APath,
                  const std::string& ARelPath, TTreeNodeId AParentNode, int AKind);
// Copies ASrc to ADst, then deletes ASrc; false when either failed.
bool MoveToBackup(TfrmEasySetup& AForm, const std::string& ASrc, const std::string& ADst);
// Moves the backed-up files back over the product folders and deletes the shortcuts made so far.
void Rollback(TfrmEasySetup& AForm);

// AProductFolder + "QuellitBackup/" + the local date and time + "/"; a folder already there (two
// runs within one second) gets " (2)", " (3)", ... after the stamp, so no backup is overwritten.
std::string BackupFolderFor(const std::string& AProductFolder);
// The local date and time in the user's short date and long time forms, ":" made "-".
std::string BackupStamp();

}  // namespace Quellit
