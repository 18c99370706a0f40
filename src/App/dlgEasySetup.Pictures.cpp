#include "App/dlgEasySetup.Pictures.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace Quellit {

namespace {

constexpr int PanelWidth = 180;  // the content starts at x = 200

QFont PictureFont(int APixelSize, int AWeight) {
  QFont Font("DejaVu Sans");
  Font.setPixelSize(APixelSize);
  Font.setWeight(static_cast<QFont::Weight>(AWeight));
  return Font;
}

// An image of ARatio times the logical size whose painter works in logical coordinates. The device
// size is rounded up, so no logical pixel is cut off at a fractional ratio.
QImage NewCanvas(int AWidth, int AHeight, qreal ARatio, QImage::Format AFormat) {
  if (!(ARatio > 0)) ARatio = 1.0;
  QImage Image(static_cast<int>(std::ceil(AWidth * ARatio)), static_cast<int>(std::ceil(AHeight * ARatio)), AFormat);
  Image.setDevicePixelRatio(ARatio);
  return Image;
}

// Deep blue under the white header labels and the white status labels, lighter toward the top.
void DrawBase(QPainter& APainter) {
  QLinearGradient Base(0, 0, 0, BackgroundHeight);
  Base.setColorAt(0.0, QColor(0x2b, 0x4f, 0x72));
  Base.setColorAt(0.25, QColor(0x22, 0x42, 0x62));
  Base.setColorAt(1.0, QColor(0x14, 0x2a, 0x40));
  APainter.fillRect(QRectF(0, 0, BackgroundWidth, BackgroundHeight), Base);
  // A soft light from the upper right keeps the large area from looking flat.
  QRadialGradient Glow(BackgroundWidth - 60, 20, 420);
  Glow.setColorAt(0.0, QColor(255, 255, 255, 38));
  Glow.setColorAt(1.0, QColor(255, 255, 255, 0));
  APainter.fillRect(QRectF(0, 0, BackgroundWidth, BackgroundHeight), Glow);
}

// The left band with the product's name.
void DrawPanel(QPainter& APainter) {
  QLinearGradient Panel(0, 0, PanelWidth, BackgroundHeight);
  Panel.setColorAt(0.0, QColor(0x2f, 0x8a, 0x9c));
  Panel.setColorAt(0.55, QColor(0x1f, 0x5e, 0x7a));
  Panel.setColorAt(1.0, QColor(0x16, 0x3d, 0x58));
  APainter.fillRect(QRectF(0, 0, PanelWidth, BackgroundHeight), Panel);
  APainter.setPen(QPen(QColor(255, 255, 255, 60), 1));
  APainter.drawLine(QPointF(PanelWidth + 0.5, 0), QPointF(PanelWidth + 0.5, BackgroundHeight));

  // Calm concentric arcs: the only ornament.
  APainter.setRenderHint(QPainter::Antialiasing);
  for (int Ring = 0; Ring < 5; ++Ring) {
    int Radius = 60 + Ring * 34;
    APainter.setPen(QPen(QColor(255, 255, 255, 26 - Ring * 4), 2));
    APainter.drawEllipse(QPoint(-20, BackgroundHeight + 10), Radius, Radius);
  }

  // The mark: a rounded square with the initial.
  QRectF Mark(24, 36, 56, 56);
  APainter.setPen(Qt::NoPen);
  APainter.setBrush(QColor(255, 255, 255, 230));
  APainter.drawRoundedRect(Mark, 12, 12);
  APainter.setPen(QColor(0x1f, 0x5e, 0x7a));
  APainter.setFont(PictureFont(40, QFont::Bold));
  APainter.drawText(Mark, Qt::AlignCenter, "Q");

  APainter.setPen(Qt::white);
  APainter.setFont(PictureFont(26, QFont::Bold));
  APainter.drawText(QRect(24, 104, PanelWidth - 24, 34), Qt::AlignLeft | Qt::AlignVCenter, "Quellit");
  APainter.setPen(QColor(255, 255, 255, 190));
  APainter.setFont(PictureFont(15, QFont::Normal));
  APainter.drawText(QRect(26, 138, PanelWidth - 26, 22), Qt::AlignLeft | Qt::AlignVCenter, "Setup");
}

// Hairlines framing the header, the content and the button row: one logical pixel at any ratio.
void DrawRules(QPainter& APainter) {
  APainter.setRenderHint(QPainter::Antialiasing, false);
  APainter.setPen(Qt::NoPen);
  APainter.setBrush(QColor(255, 255, 255, 70));
  APainter.drawRect(QRectF(200, 113, 468, 1));
  APainter.drawRect(QRectF(200, 451, 468, 1));
}

// A light rounded button; pressed, it is darker at the top as if sunk in.
QPixmap Button(bool APressed, qreal ARatio) {
  QImage Image = NewCanvas(ButtonPictureWidth, ButtonPictureHeight, ARatio, QImage::Format_ARGB32_Premultiplied);
  Image.fill(Qt::transparent);
  QPainter Painter(&Image);
  Painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient Face(0, 0, 0, ButtonPictureHeight);
  Face.setColorAt(0.0, APressed ? QColor(0xc4, 0xcd, 0xd6) : QColor(0xfb, 0xfc, 0xfd));
  Face.setColorAt(1.0, APressed ? QColor(0xe6, 0xea, 0xee) : QColor(0xd6, 0xdd, 0xe4));
  Painter.setBrush(Face);
  Painter.setPen(QPen(APressed ? QColor(0x3f, 0x4e, 0x5e) : QColor(0x7b, 0x8a, 0x99), 1));
  Painter.drawRoundedRect(QRectF(0.5, 0.5, ButtonPictureWidth - 1, ButtonPictureHeight - 1), 4, 4);
  if (!APressed) {
    Painter.setPen(QPen(QColor(255, 255, 255, 200), 1));
    Painter.drawLine(QPointF(4, 1.5), QPointF(ButtonPictureWidth - 4, 1.5));
  }
  Painter.end();
  return QPixmap::fromImage(Image);
}

}  // namespace

QPixmap BackgroundPicture(qreal ARatio) {
  QImage Image = NewCanvas(BackgroundWidth, BackgroundHeight, ARatio, QImage::Format_RGB32);
  QPainter Painter(&Image);
  DrawBase(Painter);
  DrawPanel(Painter);
  DrawRules(Painter);
  Painter.end();
  return QPixmap::fromImage(Image);
}

QPixmap ButtonReleasedPicture(qreal ARatio) { return Button(false, ARatio); }
QPixmap ButtonPressedPicture(qreal ARatio) { return Button(true, ARatio); }

// A blue ring just inside the border: it reads on both looks and leaves the label free.
void DrawButtonFocus(QPainter& APainter, const QRectF& ARect) {
  APainter.save();
  APainter.setRenderHint(QPainter::Antialiasing);
  APainter.setBrush(Qt::NoBrush);
  APainter.setPen(QPen(QColor(0x2a, 0x7a, 0xd4), 2));
  APainter.drawRoundedRect(ARect.adjusted(2, 2, -2, -2), 3, 3);
  APainter.restore();
}

}  // namespace Quellit
