#include "Platform/Display.h"

#include "Platform/Environment.h"

namespace Quellit::Platform {

bool HasGraphicalDisplay() {
  for (const char* Name : {"DISPLAY", "WAYLAND_DISPLAY"})
    if (!GetEnvOr(Name, "").empty()) return true;
  return false;
}

}  // namespace Quellit::Platform
