// The user's locale: which language and conventions the user chose for each kind of question.
// The text engine turns the name into a locale of its own; nothing else asks the system.
#pragma once

#include <string>

namespace Quellit::Platform {

enum class TLocaleCategory { Ctype, Collate, Time, Numeric };

// The name of the locale the user chose for ACategory, as the system writes it ("ru_RU.UTF-8";
// on Windows the user's one locale for every category, "ru-RU"); "" when the user chose none.
std::string UserLocaleName(TLocaleCategory ACategory);

}  // namespace Quellit::Platform
