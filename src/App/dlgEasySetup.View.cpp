#include "App/dlgEasySetup.View.h"

namespace Quellit {

// Defined here so the interface's vtable has one home.
IEasySetupView::~IEasySetupView() = default;

}  // namespace Quellit
