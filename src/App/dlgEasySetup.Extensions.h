// Extra file extensions from settings.ini merged into the product's common settings file.
#pragma once

#include <string>

namespace Quellit {

class TfrmEasySetup;

// Merges the form's ExternalFileExts into the attribute "ExternalFileExts" of the root "Options"
// of the product's CommonSetting.xml; nothing happens when the merged list would be empty.
void MergeExternalFileExts(TfrmEasySetup& AForm);
// The merge itself: the two ";"-separated lists, sorted by the user's locale without regard to
// case, empty items and repeated ones (case ignored, the first spelling kept) left out.
std::string MergeExtensionLists(const std::string& ACurrent, const std::string& AAdded);

}  // namespace Quellit
