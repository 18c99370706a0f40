#include "SysInfo/SysInfo.Core.VeskaCurrent.h"

namespace Quellit {

const TVeskaCurrentInformation& VeskaCurrent() { return TVeskaCurrentInformation::Instance(); }

}  // namespace Quellit
