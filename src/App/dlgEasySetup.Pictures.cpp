#include "App/dlgEasySetup.Pictures.h"

#include <QString>

#include "Lib/Common/Common.Exception.h"

// The resources live in a static library: without an explicit reference the linker would drop
// them. Q_INIT_RESOURCE must be used outside any namespace.
static void InitEasySetupWindowResources() { Q_INIT_RESOURCE(EasySetupWindow); }

namespace Quellit {

namespace {

QPixmap Picture(const char* AName) {
  static const bool Initialised = (InitEasySetupWindowResources(), true);
  (void)Initialised;
  QPixmap Result(QString(":/EasySetup/") + AName);
  // A missing picture is a build fault, not a user's problem; say which one.
  Assert(!Result.isNull(), std::string("Картинка окна не найдена: ") + AName, "App/dlgEasySetup.Pictures");
  return Result;
}

}  // namespace

QPixmap BackgroundPicture() { return Picture("Background.png"); }
QPixmap ButtonReleasedPicture() { return Picture("ButtonUp.png"); }
QPixmap ButtonPressedPicture() { return Picture("ButtonDown.png"); }

}  // namespace Quellit
