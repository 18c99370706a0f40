// The window's pictures: the background, the released and pressed looks of a button, and the focus
// look drawn over a button reached by the keyboard. They are drawn here, at the pixel ratio of the
// screen they are shown on, so they stay as sharp as the text at 1x, 1.5x or 2x; a picture made
// once at 1x and stretched would be blurry beside it.
#pragma once

#include <QPixmap>

class QPainter;
class QRectF;

namespace Quellit {

// Logical sizes: the window's client area and one button picture.
inline constexpr int BackgroundWidth = 694;
inline constexpr int BackgroundHeight = 497;
inline constexpr int ButtonPictureWidth = 77;
inline constexpr int ButtonPictureHeight = 25;

// ARatio device pixels per logical pixel; the pixmap carries that ratio, so it is shown at its
// logical size and drawn one to one.
QPixmap BackgroundPicture(qreal ARatio = 1.0);
QPixmap ButtonReleasedPicture(qreal ARatio = 1.0);
QPixmap ButtonPressedPicture(qreal ARatio = 1.0);

// The focus look of a button picture that fills ARect (logical coordinates of APainter).
void DrawButtonFocus(QPainter& APainter, const QRectF& ARect);

}  // namespace Quellit
