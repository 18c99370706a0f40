// Desktop shortcuts for the product payload: the check-box tree built while the payload is scanned,
// the shortcuts made for its checked entries, and the tree trimmed for the connections page.
#pragma once

#include <string>

#include "App/dlgEasySetup.View.h"

namespace Quellit {

class TfrmEasySetup;

// Adds the node of one product payload entry under AParent (folders first, newest folder on top;
// files after, in listing order) and pre-checks it from settings.ini. Call before the entry is
// appended to DataList: the node's data is the entry's index.
TTreeNodeId AddPayloadNode(TfrmEasySetup& AForm, TTreeNodeId AParent, const std::string& ARelPath,
                           const std::string& AName, bool AIsFolder);
void CreateShortcuts(TfrmEasySetup& AForm);
void CreateDesktopShortcut(TfrmEasySetup& AForm, const std::string& ATarget, const std::string& ALinkName);
// The shortcut name a folder's linkname.txt gives: its first line with path separators and
// characters a file name cannot hold made "_", blanks around it trimmed; AFallback when that
// leaves nothing (or names only "." or "..").
std::string CleanLinkName(const std::string& AFirstLine, const std::string& AFallback);

}  // namespace Quellit
