// The connections step: the checked payload folders, now inside the product, and the product's
// public site become document connections of the product, each at most once.
#pragma once

namespace Quellit {

class TfrmEasySetup;

// Loads the product's connections file, adds what the tree asks for and saves the file again (also
// when nothing was added).
void AddConnections(TfrmEasySetup& AForm);

}  // namespace Quellit
