#include "Platform/Display.h"

#include <gtest/gtest.h>

#include "Support/ScopedEnvironment.h"

namespace Quellit::Platform {
namespace {

// The POSIX backend: the session names its display in the environment.
TEST(Display, NamedByAnXServerOrAWaylandCompositor) {
  struct TCase {
    const char* Title;
    const char* X;
    const char* Wayland;
    bool Expected;
  };
  for (const TCase& C : {TCase{"neither", nullptr, nullptr, false}, TCase{"both empty", "", "", false},
                         TCase{"an X display", ":99", nullptr, true},
                         TCase{"a Wayland one", nullptr, "wayland-0", true}}) {
    Testing::TScopedEnvironment Environment;
    Environment.Unset("DISPLAY");
    Environment.Unset("WAYLAND_DISPLAY");
    if (C.X) Environment.Set("DISPLAY", C.X);
    if (C.Wayland) Environment.Set("WAYLAND_DISPLAY", C.Wayland);
    EXPECT_EQ(HasGraphicalDisplay(), C.Expected) << C.Title;
  }
}

}  // namespace
}  // namespace Quellit::Platform
