// The runtime's own conversions stop at 1970; older file times (as old as 1601) still convert.
#include "Platform/Time.h"

#include <gtest/gtest.h>

#include "Platform/Environment.h"

namespace Quellit::Platform {
namespace {

TEST(Win32Time, TimesBefore1970ConvertBothWaysInThePinnedZone) {
  const std::optional<std::string> Saved = GetEnv("TZ");
  SetEnv("TZ", "MSK-3");
  // 1969-07-20 20:17:40 UTC
  const TLocalTime T = UnixSecondsToLocalTime(-14182940);
  EXPECT_EQ(T.Year, 1969);
  EXPECT_EQ(T.Month, 7);
  EXPECT_EQ(T.Day, 20);
  EXPECT_EQ(T.Hour, 23);
  EXPECT_EQ(T.Minute, 17);
  EXPECT_EQ(T.Second, 40);
  EXPECT_EQ(T.DayOfWeek, 0);
  EXPECT_EQ(T.UtcOffsetSeconds, 3 * 3600);
  EXPECT_EQ(LocalTimeToFileTime(T).Seconds, -14182940);
  // The oldest time a file can carry.
  EXPECT_EQ(UnixSecondsToLocalTime(-11644473600LL + 3600).Year, 1601);
  Saved ? SetEnv("TZ", *Saved) : UnsetEnv("TZ");
}

}  // namespace
}  // namespace Quellit::Platform
