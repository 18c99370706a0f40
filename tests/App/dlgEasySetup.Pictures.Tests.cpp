#include "App/dlgEasySetup.Pictures.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>

namespace Quellit {
namespace {

struct TPictureCase {
  const char* Name;
  QPixmap (*Draw)(qreal);
  QSize Logical;
};

const TPictureCase Pictures[] = {
    {"background", BackgroundPicture, {BackgroundWidth, BackgroundHeight}},
    {"released", ButtonReleasedPicture, {ButtonPictureWidth, ButtonPictureHeight}},
    {"pressed", ButtonPressedPicture, {ButtonPictureWidth, ButtonPictureHeight}},
};

// Pixels whose colour differs noticeably between two pictures of one size.
int Differing(const QImage& A, const QImage& B) {
  int Count = 0;
  for (int Y = 0; Y < A.height(); ++Y)
    for (int X = 0; X < A.width(); ++X) {
      QRgb P = A.pixel(X, Y), Q = B.pixel(X, Y);
      if (std::abs(qRed(P) - qRed(Q)) + std::abs(qGreen(P) - qGreen(Q)) + std::abs(qBlue(P) - qBlue(Q)) > 60) ++Count;
    }
  return Count;
}

// Each picture has ratio times the pixels of its logical size and carries the ratio, so it is
// shown at its logical size; and it is drawn at that ratio, not stretched from the 1x picture:
// its edges hold detail that a stretched picture lacks.
TEST(EasySetupPictures, AreDrawnForThePixelRatioOfTheScreen) {
  for (const TPictureCase& Case : Pictures) {
    const QImage One = Case.Draw(1.0).toImage();
    EXPECT_EQ(One.size(), Case.Logical) << Case.Name;
    for (qreal Ratio : {1.5, 2.0}) {
      QPixmap Picture = Case.Draw(Ratio);
      QSize Pixels(static_cast<int>(std::ceil(Case.Logical.width() * Ratio)),
                   static_cast<int>(std::ceil(Case.Logical.height() * Ratio)));
      EXPECT_EQ(Picture.size(), Pixels) << Case.Name << " " << Ratio;
      EXPECT_EQ(Picture.devicePixelRatio(), Ratio) << Case.Name;
      EXPECT_EQ(Picture.deviceIndependentSize().toSize(), Case.Logical) << Case.Name << " " << Ratio;
      QImage Stretched = One.scaled(Pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(Picture.toImage().format());
      EXPECT_GT(Differing(Picture.toImage(), Stretched), Pixels.width() / 4) << Case.Name << " " << Ratio;
    }
  }
  // The two looks of a button differ at every ratio.
  EXPECT_NE(ButtonReleasedPicture(2.0).toImage(), ButtonPressedPicture(2.0).toImage());
}

TEST(EasySetupPictures, TheFocusLookMarksTheButtonInsideItsBorder) {
  QImage Picture = ButtonReleasedPicture(2.0).toImage();
  const QImage Plain = Picture;
  QPainter Painter(&Picture);
  DrawButtonFocus(Painter, QRectF(0, 0, ButtonPictureWidth, ButtonPictureHeight));
  Painter.end();
  EXPECT_GT(Differing(Picture, Plain), 100);
  // The middle, where the label stands, and the outer border stay as they were.
  EXPECT_EQ(Picture.pixel(Picture.width() / 2, Picture.height() / 2), Plain.pixel(Plain.width() / 2, Plain.height() / 2));
  EXPECT_EQ(Picture.pixel(Picture.width() / 2, 0), Plain.pixel(Plain.width() / 2, 0));
}

}  // namespace
}  // namespace Quellit
