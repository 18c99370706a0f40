// The window's face: Tahoma, 11 pixels (8 points on a 96 dpi screen). Where no Tahoma is
// registered, a Tahoma-compatible face with Cyrillic is loaded from a known place when present;
// the system's sans face stands in for glyphs it lacks.
#pragma once

#include <QFont>

namespace Quellit {

QFont EasySetupWindowFont();

}  // namespace Quellit
