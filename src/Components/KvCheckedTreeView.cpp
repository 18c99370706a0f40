#include "Components/KvCheckedTreeView.h"

namespace Quellit {

}  // namespace Quellit
