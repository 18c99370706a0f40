// The user's screen: whether this session has one a window can open on.
#pragma once

namespace Quellit::Platform {

// True when the session names a graphical display (an X server or a Wayland compositor here). It
// does not open it: a named display may still refuse the connection. On Windows: the process's
// window station is visible (a service's is not) and has a desktop taking input.
bool HasGraphicalDisplay();

}  // namespace Quellit::Platform
