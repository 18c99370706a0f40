#include "Platform/Guid.h"

#include <gtest/gtest.h>

#include <set>

namespace Quellit::Platform {
namespace {

TEST(NewGuid, CarriesVersionFourAndTheStandardVariant) {
  for (int I = 0; I < 64; ++I) {
    std::string Text = NewGuid().ToString();  // {XXXXXXXX-XXXX-4XXX-[89AB]XXX-XXXXXXXXXXXX}
    ASSERT_EQ(Text.size(), 38u);
    EXPECT_EQ(Text[15], '4') << Text;
    EXPECT_NE(std::string("89AB").find(Text[20]), std::string::npos) << Text;
  }
}

TEST(NewGuid, DoesNotRepeat) {
  std::set<TGUID> Seen;
  for (int I = 0; I < 1000; ++I) EXPECT_TRUE(Seen.insert(NewGuid()).second);
  EXPECT_FALSE(Seen.contains(TGUID{}));
}

}  // namespace
}  // namespace Quellit::Platform
