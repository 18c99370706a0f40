// Fresh identifiers for objects the system creates (connections, documents).
#pragma once

#include "Lib/Common/Common.Object.h"

namespace Quellit::Platform {

// A random (version 4) identifier from the system's random source; EOSError when it fails.
TGUID NewGuid();

}  // namespace Quellit::Platform
