#include "Components/FWOpenDirectory.h"

namespace Quellit {

}  // namespace Quellit
