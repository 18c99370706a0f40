#include "Platform/Environment.h"

#include <gtest/gtest.h>

namespace Quellit::Platform {
namespace {

TEST(Environment, SetReadAndUnset) {
  SetEnv("QUELLIT_TEST_VARIABLE", "значение");
  EXPECT_EQ(GetEnv("QUELLIT_TEST_VARIABLE"), "значение");
  UnsetEnv("QUELLIT_TEST_VARIABLE");
  EXPECT_EQ(GetEnv("QUELLIT_TEST_VARIABLE"), std::nullopt);
}

TEST(Environment, DefaultForUnsetOrEmpty) {
  SetEnv("QUELLIT_TEST_VARIABLE", "");
  EXPECT_EQ(GetEnvOr("QUELLIT_TEST_VARIABLE", "fallback"), "fallback");
  UnsetEnv("QUELLIT_TEST_VARIABLE");
  EXPECT_EQ(GetEnvOr("QUELLIT_TEST_VARIABLE", "fallback"), "fallback");
}

// Values of any length and names in any script come back as they were set; a variable set empty
// is set.
TEST(Environment, ValuesComeBackAsTheyWereSet) {
  const std::string Values[] = {"", "значение с пробелами", std::string(5000, 'x') + "я", "a=b;c"};
  for (const std::string& Value : Values) {
    SCOPED_TRACE(Value.substr(0, 40));
    SetEnv("QUELLIT_ПЕРЕМЕННАЯ", Value);
    EXPECT_EQ(GetEnv("QUELLIT_ПЕРЕМЕННАЯ"), Value);
  }
  UnsetEnv("QUELLIT_ПЕРЕМЕННАЯ");
  EXPECT_EQ(GetEnv("QUELLIT_ПЕРЕМЕННАЯ"), std::nullopt);
}

// The variable the system keeps the user's home folder in.
#ifdef _WIN32
constexpr const char* HomeVariable = "USERPROFILE";
#else
constexpr const char* HomeVariable = "HOME";
#endif

TEST(Environment, HomeFolderFollowsTheHomeVariable) {
  auto Saved = GetEnv(HomeVariable);
  SetEnv(HomeVariable, "/somewhere/else");
  EXPECT_EQ(HomeFolder(), "/somewhere/else");
  if (Saved) SetEnv(HomeVariable, *Saved);
}

}  // namespace
}  // namespace Quellit::Platform
