#include "Platform/Locale.h"

#include <gtest/gtest.h>

#include "Support/ScopedEnvironment.h"

namespace Quellit::Platform {
namespace {

// The POSIX backend reads the user's choice from the environment.
struct TLocaleCase {
  const char* Title;
  const char* All;
  const char* Collate;
  const char* Lang;
  const char* Expected;  // for the collation; the other categories see only LC_ALL and LANG
};

// The variables a case leaves out are unset, so the user's own shell settings do not leak in.
void SetLocaleVariables(Testing::TScopedEnvironment& AEnvironment, const TLocaleCase& C) {
  for (const char* Name : {"LC_ALL", "LC_CTYPE", "LC_COLLATE", "LC_TIME", "LC_NUMERIC", "LANG"})
    AEnvironment.Unset(Name);
  if (C.All) AEnvironment.Set("LC_ALL", C.All);
  if (C.Collate) AEnvironment.Set("LC_COLLATE", C.Collate);
  if (C.Lang) AEnvironment.Set("LANG", C.Lang);
}

TEST(Locale, AllWinsOverTheCategoryWhichWinsOverLang) {
  const TLocaleCase Cases[] = {
      {"nothing chosen", nullptr, nullptr, nullptr, ""},
      {"LANG alone", nullptr, nullptr, "ru_RU.UTF-8", "ru_RU.UTF-8"},
      {"the category over LANG", nullptr, "de_DE.UTF-8", "ru_RU.UTF-8", "de_DE.UTF-8"},
      {"LC_ALL over both", "C", "de_DE.UTF-8", "ru_RU.UTF-8", "C"},
      {"an empty LC_ALL counts as unset", "", "de_DE.UTF-8", "ru_RU.UTF-8", "de_DE.UTF-8"},
  };
  for (const TLocaleCase& C : Cases) {
    Testing::TScopedEnvironment Environment;
    SetLocaleVariables(Environment, C);
    EXPECT_EQ(UserLocaleName(TLocaleCategory::Collate), C.Expected) << C.Title;
    const std::string Other = C.All && *C.All ? C.All : C.Lang ? C.Lang : "";
    for (TLocaleCategory Category : {TLocaleCategory::Ctype, TLocaleCategory::Time, TLocaleCategory::Numeric})
      EXPECT_EQ(UserLocaleName(Category), Other) << C.Title;
  }
}

}  // namespace
}  // namespace Quellit::Platform
