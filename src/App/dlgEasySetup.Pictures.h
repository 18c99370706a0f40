// The window's pictures: the background and the released and pressed looks of a button. They are
// PNG files compiled into the program (drawn by Resources/DrawPictures.cpp).
#pragma once

#include <QPixmap>

namespace Quellit {

QPixmap BackgroundPicture();
QPixmap ButtonReleasedPicture();
QPixmap ButtonPressedPicture();

}  // namespace Quellit
