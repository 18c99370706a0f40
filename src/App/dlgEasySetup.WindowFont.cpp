#include "App/dlgEasySetup.WindowFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace Quellit {

namespace {

// Debian's fonts-wine ships metric-compatible faces under the Windows names.
const char* const TahomaFiles[] = {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"};

void RegisterTahoma() {
  if (QFontDatabase::families().contains("Tahoma", Qt::CaseInsensitive)) return;
  // A missing file only means the fallback face is used.
  for (const char* File : TahomaFiles) QFontDatabase::addApplicationFont(File);
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
