// Answers the window's modal message boxes the way a user would: a timer finds the box on screen,
// records what it shows and presses the scripted button (the box's default when the script ran
// out), so the code that asked goes on with a real answer.
#pragma once

#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace Quellit::Testing {

struct TSeenBox {
  std::string Caption;
  std::string Text;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons Buttons;
  QMessageBox::StandardButton Default = QMessageBox::NoButton;
  // The texts on the buttons, in the order of their standard button values (OK, Yes, No).
  std::vector<std::string> ButtonTexts;
  bool operator==(const TSeenBox&) const = default;
  friend void PrintTo(const TSeenBox& ABox, std::ostream* AOut) {
    *AOut << "{" << ABox.Caption << " | " << ABox.Text << " | icon " << ABox.Icon << " | buttons 0x" << std::hex
          << ABox.Buttons.toInt() << " | default 0x" << ABox.Default << std::dec << " |";
    for (const std::string& Text : ABox.ButtonTexts) *AOut << " [" << Text << "]";
    *AOut << "}";
  }
};

inline TSeenBox Question(const std::string& ACaption, const std::string& AText) {
  return {ACaption, AText, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No, {"Да", "Нет"}};
}

inline TSeenBox OkBox(const std::string& ACaption, const std::string& AText, QMessageBox::Icon AIcon) {
  return {ACaption, AText, AIcon, QMessageBox::Ok, QMessageBox::Ok, {"ОК"}};
}

class TMessageBoxScript {
 public:
  TMessageBoxScript() {
    FTimer.setInterval(10);
    QObject::connect(&FTimer, &QTimer::timeout, [this] { Poll(); });
    FTimer.start();
  }

  std::vector<TSeenBox> Seen;
  std::deque<QMessageBox::StandardButton> Answers;
  // Runs while a box is on screen, before it is answered (a screenshot, a look at the window).
  std::function<void(QMessageBox&)> WhileShown;

 private:
  static std::vector<std::string> ButtonTexts(const QMessageBox& ABox) {
    std::vector<std::string> Texts;
    for (unsigned Bit = QMessageBox::FirstButton; Bit <= QMessageBox::LastButton; Bit <<= 1)
      if (QAbstractButton* Button = ABox.button(static_cast<QMessageBox::StandardButton>(Bit)))
        Texts.push_back(Button->text().toStdString());
    return Texts;
  }

  void Poll() {
    auto* Box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!Box || !Box->isVisible()) return;
    QPushButton* Default = Box->defaultButton();
    Seen.push_back({Box->windowTitle().toStdString(), Box->text().toStdString(), Box->icon(),
                    Box->standardButtons(), Default ? Box->standardButton(Default) : QMessageBox::NoButton,
                    ButtonTexts(*Box)});
    if (WhileShown) WhileShown(*Box);
    QAbstractButton* Press = Default;
    if (!Answers.empty()) {
      Press = Box->button(Answers.front());
      Answers.pop_front();
    }
    if (Press) Press->click();
  }

  QTimer FTimer;
};

}  // namespace Quellit::Testing
