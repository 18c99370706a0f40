// A test fixture that pins the user's locale to Russian, whatever the machine's environment says,
// and gives the environment's locale back afterwards; and what tells the text engine's two backends
// apart where their rules differ.
#pragma once

#include <gtest/gtest.h>

#include "Lib/Common/Common.SysUtils.h"
#include "Platform/Registry.h"

namespace Quellit::Testing {

class TRussianLocaleTest : public ::testing::Test {
 protected:
  void SetUp() override { SetUserLocale("ru_RU"); }
  void TearDown() override { ResetUserLocale(); }
};

// Whether the text engine answers by the system's national-language rules (Windows) rather than by
// ICU's tailored ones. Where the two differ (the upper case of "ß", the system's pictures for dates
// and times), a test holds each backend to its own answer: the system's are what the product's
// users know.
#ifdef _WIN32
inline constexpr bool SystemTextRules = true;
#else
inline constexpr bool SystemTextRules = false;
#endif

template <typename T>
T PerTextBackend(T AIcu, T ASystem) {
  return SystemTextRules ? ASystem : AIcu;
}

// Whether the program runs under Wine, whose locale data differs from Windows' in places: every
// prefix has this key, and Windows has none.
inline bool UnderWine() {
#ifdef _WIN32
  static const bool Wine = Platform::RegistryKeyExists(Platform::TRegistryRoot::CurrentUser, "Software\\Wine");
  return Wine;
#else
  return false;
#endif
}

}  // namespace Quellit::Testing
