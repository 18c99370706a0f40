// The wizard's modal message boxes and the application's display of an error that ended a step.
#pragma once

#include <string>

#include "App/dlgEasySetup.View.h"

class QWidget;

namespace Quellit {

// The caption of the error display: the application's title.
inline constexpr const char* ApplicationTitle = "Quellit Setup";

// Every box names its buttons in Russian: "Да", "Нет", "ОК".
// Yes and No, the question icon, No the default (and the answer to Escape); true for Yes.
bool AskYesNoBox(QWidget* AOwner, const std::string& ACaption, const std::string& AText);
// One OK button.
void ShowMessageBoxOk(QWidget* AOwner, const std::string& ACaption, const std::string& AText, TMessageIcon AIcon);
// The error icon, the application's title and the message ended by a full stop.
void ShowErrorBox(QWidget* AOwner, const std::string& AMessage);
// The error display's text: a message that does not end in a full stop (or a character sorting
// before it) gets one.
std::string ErrorDisplayText(const std::string& AMessage);

}  // namespace Quellit
