#include "App/dlgEasySetup.MessageBoxes.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QString>
#include <utility>

namespace Quellit {

namespace {

QString ToQt(const std::string& AText) { return QString::fromStdString(AText); }

QMessageBox::Icon IconOf(TMessageIcon AIcon) {
  switch (AIcon) {
    case miInformation: return QMessageBox::Information;
    case miWarning: return QMessageBox::Warning;
    case miNone: break;
  }
  return QMessageBox::NoIcon;
}

// The interface is Russian whatever the user's locale, so the buttons say so themselves instead of
// depending on a toolkit translation being installed.
void NameButtonsInRussian(QMessageBox& ABox) {
  const std::pair<QMessageBox::StandardButton, const char*> Names[] = {
      {QMessageBox::Yes, "Да"}, {QMessageBox::No, "Нет"}, {QMessageBox::Ok, "ОК"}};
  for (const auto& [Button, Name] : Names)
    if (QAbstractButton* Shown = ABox.button(Button)) Shown->setText(QString::fromUtf8(Name));
}

// File names and system texts end up in these boxes: they are shown as written, never as markup.
int Run(QWidget* AOwner, QMessageBox::Icon AIcon, const std::string& ACaption, const std::string& AText,
        QMessageBox::StandardButtons AButtons, QMessageBox::StandardButton ADefault) {
  QMessageBox Box(AIcon, ToQt(ACaption), ToQt(AText), AButtons, AOwner);
  Box.setTextFormat(Qt::PlainText);
  NameButtonsInRussian(Box);
  Box.setDefaultButton(ADefault);
  Box.setEscapeButton(ADefault);
  return Box.exec();
}

}  // namespace

bool AskYesNoBox(QWidget* AOwner, const std::string& ACaption, const std::string& AText) {
  return Run(AOwner, QMessageBox::Question, ACaption, AText, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
         QMessageBox::Yes;
}

void ShowMessageBoxOk(QWidget* AOwner, const std::string& ACaption, const std::string& AText, TMessageIcon AIcon) {
  Run(AOwner, IconOf(AIcon), ACaption, AText, QMessageBox::Ok, QMessageBox::Ok);
}

void ShowErrorBox(QWidget* AOwner, const std::string& AMessage) {
  Run(AOwner, QMessageBox::Critical, ApplicationTitle, ErrorDisplayText(AMessage), QMessageBox::Ok, QMessageBox::Ok);
}

std::string ErrorDisplayText(const std::string& AMessage) {
  // Any byte of a multi-byte UTF-8 character sorts after '.', as the character itself does.
  if (!AMessage.empty() && static_cast<unsigned char>(AMessage.back()) > '.') return AMessage + ".";
  return AMessage;
}

}  // namespace Quellit
