// draw-window-pictures: draws the wizard window's pictures (the background and the two looks of a
// button) into PNG files. Run once when the look changes; the PNGs are committed and compiled into
// the program as Qt resources, so the program never draws them itself.
//   QT_QPA_PLATFORM=offscreen draw-window-pictures src/App/Resources
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

constexpr int WindowWidth = 694;
constexpr int WindowHeight = 497;
constexpr int PanelWidth = 180;  // the content starts at x = 200
constexpr int ButtonWidth = 77;
constexpr int ButtonHeight = 25;

QFont PictureFont(int APixelSize, int AWeight) {
  QFont Font("DejaVu Sans");
  Font.setPixelSize(APixelSize);
  Font.setWeight(static_cast<QFont::Weight>(AWeight));
  return Font;
}

// Deep blue under the white header labels and the white status labels, lighter toward the top.
void DrawBase(QPainter& APainter) {
  QLinearGradient Base(0, 0, 0, WindowHeight);
  Base.setColorAt(0.0, QColor(0x2b, 0x4f, 0x72));
  Base.setColorAt(0.25, QColor(0x22, 0x42, 0x62));
  Base.setColorAt(1.0, QColor(0x14, 0x2a, 0x40));
  APainter.fillRect(0, 0, WindowWidth, WindowHeight, Base);
  // A soft light from the upper right keeps the large area from looking flat.
  QRadialGradient Glow(WindowWidth - 60, 20, 420);
  Glow.setColorAt(0.0, QColor(255, 255, 255, 38));
  Glow.setColorAt(1.0, QColor(255, 255, 255, 0));
  APainter.fillRect(0, 0, WindowWidth, WindowHeight, Glow);
}

// The left band with the product's name.
void DrawPanel(QPainter& APainter) {
  QLinearGradient Panel(0, 0, PanelWidth, WindowHeight);
  Panel.setColorAt(0.0, QColor(0x2f, 0x8a, 0x9c));
  Panel.setColorAt(0.55, QColor(0x1f, 0x5e, 0x7a));
  Panel.setColorAt(1.0, QColor(0x16, 0x3d, 0x58));
  APainter.fillRect(0, 0, PanelWidth, WindowHeight, Panel);
  APainter.setPen(QPen(QColor(255, 255, 255, 60), 1));
  APainter.drawLine(PanelWidth, 0, PanelWidth, WindowHeight);

  // Calm concentric arcs: the only ornament.
  APainter.setRenderHint(QPainter::Antialiasing);
  for (int Ring = 0; Ring < 5; ++Ring) {
    int Radius = 60 + Ring * 34;
    APainter.setPen(QPen(QColor(255, 255, 255, 26 - Ring * 4), 2));
    APainter.drawEllipse(QPoint(-20, WindowHeight + 10), Radius, Radius);
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

// Hairlines framing the header, the content and the button row.
void DrawRules(QPainter& APainter) {
  APainter.setRenderHint(QPainter::Antialiasing, false);
  APainter.setPen(QPen(QColor(255, 255, 255, 70), 1));
  APainter.drawLine(200, 113, 668, 113);
  APainter.drawLine(200, 451, 668, 451);
}

QImage Background() {
  QImage Image(WindowWidth, WindowHeight, QImage::Format_RGB32);
  QPainter Painter(&Image);
  DrawBase(Painter);
  DrawPanel(Painter);
  DrawRules(Painter);
  return Image;
}

// A light rounded button; pressed, it is darker at the top as if sunk in.
QImage Button(bool APressed) {
  QImage Image(ButtonWidth, ButtonHeight, QImage::Format_ARGB32_Premultiplied);
  Image.fill(Qt::transparent);
  QPainter Painter(&Image);
  Painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient Face(0, 0, 0, ButtonHeight);
  Face.setColorAt(0.0, APressed ? QColor(0xc4, 0xcd, 0xd6) : QColor(0xfb, 0xfc, 0xfd));
  Face.setColorAt(1.0, APressed ? QColor(0xe6, 0xea, 0xee) : QColor(0xd6, 0xdd, 0xe4));
  Painter.setBrush(Face);
  Painter.setPen(QPen(APressed ? QColor(0x3f, 0x4e, 0x5e) : QColor(0x7b, 0x8a, 0x99), 1));
  Painter.drawRoundedRect(QRectF(0.5, 0.5, ButtonWidth - 1, ButtonHeight - 1), 4, 4);
  if (!APressed) {
    Painter.setPen(QPen(QColor(255, 255, 255, 200), 1));
    Painter.drawLine(QPointF(4, 1.5), QPointF(ButtonWidth - 4, 1.5));
  }
  return Image;
}

bool Save(const QImage& AImage, const QString& AFolder, const char* AName) {
  QString Path = QDir(AFolder).filePath(AName);
  if (AImage.save(Path, "PNG")) return true;
  std::fprintf(stderr, "draw-window-pictures: cannot write %s\n", Path.toLocal8Bit().constData());
  return false;
}

}  // namespace

int main(int AArgc, char** AArgv) {
  QApplication Application(AArgc, AArgv);
  if (AArgc != 2) {
    std::fprintf(stderr, "usage: draw-window-pictures FOLDER\n");
    return 2;
  }
  QString Folder = QString::fromLocal8Bit(AArgv[1]);
  bool Ok = Save(Background(), Folder, "Background.png") && Save(Button(false), Folder, "ButtonUp.png") &&
            Save(Button(true), Folder, "ButtonDown.png");
  return Ok ? 0 : 1;
}
