#include "App/dlgEasySetup.Window.h"

namespace Quellit {

}  // namespace Quellit
