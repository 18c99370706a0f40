// The edition this program updates: everything that needs the product's folders asks it.
#pragma once

#include "SysInfo/SysInfo.Core.Veska8.h"

namespace Quellit {

using TVeskaCurrentInformation = TVeska8Information32;

const TVeskaCurrentInformation& VeskaCurrent();

}  // namespace Quellit
