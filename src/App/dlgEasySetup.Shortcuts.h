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
// Makes the checked shortcuts, then trims the tree for the connections page. A shortcut that cannot
// be made is logged and named in one warning; the others are made.
void CreateShortcuts(TfrmEasySetup& AForm);
// Writes one shortcut (creating the desktop folder when missing) and lists it in ShortCutList.
void CreateDesktopShortcut(TfrmEasySetup& AForm, const std::string& ATarget, const std::string& ALinkName);
// The shortcut name a folder's linkname.txt gives: its first line with path separators and
// characters a file name cannot hold made "_", blanks and leading dots trimmed; AFallback when that
// leaves nothing. Its length is the platform's to fit (DesktopShortcutPath).
std::string CleanLinkName(const std::string& AFirstLine, const std::string& AFallback);

}  // namespace Quellit
