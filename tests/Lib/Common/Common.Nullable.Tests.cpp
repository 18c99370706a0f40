#include "Lib/Common/Common.Nullable.h"

#include <gtest/gtest.h>

#include <string>

namespace Quellit {
namespace {

using TNullInt = TNullable<int>;
using TNullString = TNullable<std::string>;

TEST(TNullable, FreshRecordIsNull) {
  TNullInt N;
  EXPECT_TRUE(N.IsNull());
  EXPECT_FALSE(N.HasValue());
  EXPECT_EQ(N.FHasValue, "");
  EXPECT_TRUE(N == TNullInt::TNull());
  EXPECT_FALSE(N != TNullInt::TNull());
  EXPECT_FALSE(N == 0);  // null never equals a value, not even the zero one
  EXPECT_EQ(N.ValueOrDefault(), 0);
  EXPECT_EQ(N.ValueOrDefault(42), 42);
  EXPECT_TRUE(TNullInt::Null().IsNull());
}

TEST(TNullable, ValueIsPresentAndCompares) {
  TNullInt N = 5;
  EXPECT_EQ(N.FHasValue, "1");
  EXPECT_TRUE(N.HasValue());
  EXPECT_TRUE(N == 5);
  EXPECT_TRUE(N != 6);
  EXPECT_TRUE(N != TNullInt::TNull());
  EXPECT_FALSE(N == TNullInt::TNull());
  EXPECT_EQ(N.ValueOrDefault(42), 5);
  EXPECT_TRUE(TNullInt::Init(0) == 0);
  EXPECT_TRUE(TNullInt::Init(0).HasValue());
}

TEST(TNullable, AssigningNullResetsTheValue) {
  TNullString N = std::string("text");
  N = TNullString::TNull();
  EXPECT_TRUE(N.IsNull());
  EXPECT_EQ(N.FValue, "");
}

TEST(TNullable, EqualityBetweenRecords) {
  struct TCase {
    TNullInt A;
    TNullInt B;
    bool Equal;
  };
  const TCase Cases[] = {
      {TNullInt(), TNullInt(), true},   {TNullInt(1), TNullInt(1), true}, {TNullInt(1), TNullInt(2), false},
      {TNullInt(0), TNullInt(), false}, {TNullInt(), TNullInt(0), false},
  };
  for (const TCase& C : Cases) {
    EXPECT_EQ(C.A == C.B, C.Equal);
    EXPECT_EQ(C.A != C.B, !C.Equal);
  }
}

}  // namespace
}  // namespace Quellit
