#include "Lib/Common/Common.Collections.h"

#include <gtest/gtest.h>

namespace Quellit {
namespace {

enum TKind : int { kA, kB, kC, kD };
using TKinds = TSet<TKind>;

TEST(TSet, UnionIntersectionAndDifference) {
  TKinds AB{kA, kB};
  TKinds BC{kB, kC};
  EXPECT_EQ(AB + BC, (TKinds{kA, kB, kC}));
  EXPECT_EQ(AB * BC, TKinds{kB});
  EXPECT_EQ(AB - BC, TKinds{kA});
  EXPECT_TRUE((AB * TKinds{kD}).IsEmpty());
  EXPECT_EQ(TKinds(AB).Include(kD).Exclude(kA), (TKinds{kB, kD}));
  EXPECT_EQ(AB.Count(), 2u);
}

TEST(TSet, MaskHoldsBitNForTheOrdinalN) {
  EXPECT_EQ((TKinds{kA, kC}).Mask(), 0b101u);
  EXPECT_EQ(TKinds::FromMask(0b1010), (TKinds{kB, kD}));
  EXPECT_TRUE(TKinds::FromMask(0).IsEmpty());
}

TEST(TSet, AnOrdinalOutsideTheSetIsAProgrammingError) {
  TKinds Kinds;
  EXPECT_THROW(Kinds.Include(static_cast<TKind>(256)), EAssertionFailed);
  EXPECT_THROW((void)Kinds.Contains(static_cast<TKind>(-1)), EAssertionFailed);
}

}  // namespace
}  // namespace Quellit
