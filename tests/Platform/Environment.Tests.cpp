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

TEST(Environment, HomeFolderFollowsHome) {
  auto Saved = GetEnv("HOME");
  SetEnv("HOME", "/somewhere/else");
  EXPECT_EQ(HomeFolder(), "/somewhere/else");
  if (Saved) SetEnv("HOME", *Saved);
}

}  // namespace
}  // namespace Quellit::Platform
