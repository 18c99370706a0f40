// A test fixture that pins the user's locale to Russian, whatever the machine's environment says,
// and gives the environment's locale back afterwards.
#pragma once

#include <gtest/gtest.h>

#include "Lib/Common/Common.SysUtils.h"

namespace Quellit::Testing {

class TRussianLocaleTest : public ::testing::Test {
 protected:
  void SetUp() override { SetUserLocale("ru_RU"); }
  void TearDown() override { ResetUserLocale(); }
};

}  // namespace Quellit::Testing
