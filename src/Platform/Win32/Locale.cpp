#include "Platform/Locale.h"

#include "Platform/Win32/SystemCall.h"

namespace Quellit::Platform {

// Windows keeps one locale per user for formats, sorting and character classes alike ("ru-RU");
// every category answers it. The user interface language is another setting and not asked here.
std::string UserLocaleName(TLocaleCategory) {
  wchar_t Name[LOCALE_NAME_MAX_LENGTH] = {};
  const int Length = ::GetUserDefaultLocaleName(Name, LOCALE_NAME_MAX_LENGTH);
  if (Length <= 1) return {};
  return Utf8OfWide(std::wstring_view(Name, static_cast<std::size_t>(Length - 1)));
}

}  // namespace Quellit::Platform
