#include "App/dlgEasySetup.WindowFont.h"

#include <QFontDatabase>
#include <QStringList>

#include "Platform/KnownFolders.h"
#include "Platform/Path.h"

namespace Quellit {

namespace {

// Debian's fonts-wine ships a metric-compatible face under the Windows name. Only the regular face
// is registered: the package's bold file carries regular-weight outlines with bold advances, so
// bold text drawn from it looks thin and unevenly spaced. With the regular face alone the toolkit
// emboldens it itself, which gives a proper bold.
void RegisterTahoma() {
  if (QFontDatabase::families().contains("Tahoma", Qt::CaseInsensitive)) return;
  // A missing file only means the fallback face is used.
  const std::string TahomaFile =
      Platform::CombinePath(Platform::SpecialFolderPath(Platform::CSIDL_FONTS), "tahoma.ttf");
  QFontDatabase::addApplicationFont(QString::fromStdString(TahomaFile));
}

}  // namespace

QFont EasySetupWindowFont() {
  static const bool Registered = (RegisterTahoma(), true);
  (void)Registered;
  QFont Font;
  Font.setFamilies({"Tahoma", "DejaVu Sans"});
  // The controls sit at fixed pixel positions, so the text is sized in pixels too.
  Font.setPixelSize(11);
  return Font;
}

}  // namespace Quellit
