#include "App/dlgEasySetup.MessageBoxes.h"

#include <gtest/gtest.h>

#include <QWidget>

#include "MessageBoxScript.h"

namespace Quellit {
namespace {

using Testing::OkBox;
using Testing::Question;
using Testing::TMessageBoxScript;
using Testing::TSeenBox;

TEST(EasySetupMessageBoxes, AQuestionOffersYesAndNoWithNoAsTheDefault) {
  QWidget Owner;
  for (auto [Answer, Expected] : {std::pair{QMessageBox::Yes, true}, {QMessageBox::No, false}}) {
    TMessageBoxScript Boxes;
    Boxes.Answers = {Answer};
    EXPECT_EQ(AskYesNoBox(&Owner, "Завершение программы", "Закрыть утилиту?"), Expected);
    EXPECT_EQ(Boxes.Seen, (std::vector<TSeenBox>{Question("Завершение программы", "Закрыть утилиту?")}));
  }
  // Enter on the untouched box answers No.
  TMessageBoxScript Boxes;
  EXPECT_FALSE(AskYesNoBox(&Owner, "c", "q"));
}

TEST(EasySetupMessageBoxes, OkBoxesShowTheirIconAndTextAsWritten) {
  QWidget Owner;
  const std::vector<std::pair<TMessageIcon, QMessageBox::Icon>> Icons = {
      {miNone, QMessageBox::NoIcon}, {miInformation, QMessageBox::Information}, {miWarning, QMessageBox::Warning}};
  for (const auto& [Icon, Shown] : Icons) {
    TMessageBoxScript Boxes;
    // A file name that looks like markup is shown as it is.
    ShowMessageBoxOk(&Owner, "Quellit Setup", "Step: 1 - <b>a.txt</b>", Icon);
    EXPECT_EQ(Boxes.Seen, (std::vector<TSeenBox>{OkBox("Quellit Setup", "Step: 1 - <b>a.txt</b>", Shown)}));
    TMessageBoxScript Plain;
    Plain.WhileShown = [](QMessageBox& ABox) { EXPECT_EQ(ABox.textFormat(), Qt::PlainText); };
    ShowMessageBoxOk(&Owner, "c", "<i>x</i>", Icon);
  }
}

TEST(EasySetupMessageBoxes, TheErrorDisplayUsesTheApplicationsTitleAndEndsTheSentence) {
  QWidget Owner;
  TMessageBoxScript Boxes;
  ShowErrorBox(&Owner, "Нет доступа к файлу");
  EXPECT_EQ(Boxes.Seen, (std::vector<TSeenBox>{OkBox("Quellit Setup", "Нет доступа к файлу.", QMessageBox::Critical)}));

  const std::vector<std::pair<std::string, std::string>> Texts = {
      {"Access denied", "Access denied."},
      {"Done.", "Done."},
      {"Файл \"a.txt\"", "Файл \"a.txt\""},  // '"' sorts before '.'
      {"(code 5)", "(code 5)"},
      {"Ошибка", "Ошибка."},
      {"", ""},
  };
  for (const auto& [Message, Shown] : Texts) EXPECT_EQ(ErrorDisplayText(Message), Shown) << Message;
}

}  // namespace
}  // namespace Quellit
