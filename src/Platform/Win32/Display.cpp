#include "Platform/Display.h"

#include "Platform/Win32/SystemCall.h"

namespace Quellit::Platform {

// A window can be shown when the process runs in a visible window station (a service's is not)
// and that station has a desktop taking input (a disconnected or locked session has none of ours).
bool HasGraphicalDisplay() {
  USEROBJECTFLAGS Flags{};
  HWINSTA Station = ::GetProcessWindowStation();
  if (!Station || !::GetUserObjectInformationW(Station, UOI_FLAGS, &Flags, sizeof(Flags), nullptr)) return false;
  if (!(Flags.dwFlags & WSF_VISIBLE)) return false;
  HDESK Desktop = ::OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
  if (!Desktop) return false;
  ::CloseDesktop(Desktop);
  return true;
}

}  // namespace Quellit::Platform
