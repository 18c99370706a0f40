#include "Platform/Locale.h"

#include <gtest/gtest.h>

#include "Platform/Win32/SystemCall.h"

namespace Quellit::Platform {
namespace {

// Windows keeps one locale per user: every category answers it, as a name the system knows
// (no terminating zero, no code page), and under a Russian test locale it is Russian.
TEST(LocaleWin32, EveryCategoryAnswersTheUsersOneLocale) {
  const std::string Name = UserLocaleName(TLocaleCategory::Ctype);
  ASSERT_FALSE(Name.empty());
  EXPECT_EQ(Name.find('\0'), std::string::npos);
  EXPECT_TRUE(::IsValidLocaleName(WideOf(Name).c_str())) << Name;
  for (TLocaleCategory Category : {TLocaleCategory::Collate, TLocaleCategory::Time, TLocaleCategory::Numeric})
    EXPECT_EQ(UserLocaleName(Category), Name);
  wchar_t Language[16] = {};
  ::GetLocaleInfoEx(WideOf(Name).c_str(), LOCALE_SISO639LANGNAME, Language, 16);
  if (std::wstring_view(Language) != L"ru") GTEST_SKIP() << "the test runs under the locale " << Name << ", not a Russian one";
  EXPECT_EQ(Name, "ru-RU");
}

}  // namespace
}  // namespace Quellit::Platform
