#include "Platform/Time.h"

#include <gtest/gtest.h>

#include "Platform/Environment.h"

namespace Quellit::Platform {
namespace {

// Pins the process's time zone for one test and restores the previous one.
class TZoneGuard {
 public:
  explicit TZoneGuard(const std::string& AZone) : FSaved(GetEnv("TZ")) { SetEnv("TZ", AZone); }
  ~TZoneGuard() { FSaved ? SetEnv("TZ", *FSaved) : UnsetEnv("TZ"); }

 private:
  std::optional<std::string> FSaved;
};

TEST(Time, ConvertsFileTimesInThePinnedZone) {
  TZoneGuard Zone("MSK-3");  // three hours east of UTC, no daylight saving
  // 2017-12-25 06:05:07.250 UTC
  TLocalTime T = ToLocalTime({1514181907, 250000000});
  EXPECT_EQ(T.Year, 2017);
  EXPECT_EQ(T.Month, 12);
  EXPECT_EQ(T.Day, 25);
  EXPECT_EQ(T.Hour, 9);
  EXPECT_EQ(T.Minute, 5);
  EXPECT_EQ(T.Second, 7);
  EXPECT_EQ(T.Millisecond, 250);
  EXPECT_EQ(T.DayOfWeek, 1);
  EXPECT_EQ(T.UtcOffsetSeconds, 3 * 3600);

  TFileTime Back = LocalTimeToFileTime(T);
  EXPECT_EQ(Back.Seconds, 1514181907);
  EXPECT_EQ(Back.Nanoseconds, 250000000);
}

TEST(Time, FollowsAZoneChangedAtRunTime) {
  TLocalTime Utc, East;
  {
    TZoneGuard Zone("UTC0");
    Utc = UnixSecondsToLocalTime(0);
  }
  {
    TZoneGuard Zone("XYZ-5");
    East = UnixSecondsToLocalTime(0);
  }
  EXPECT_EQ(Utc.Hour, 0);
  EXPECT_EQ(East.Hour, 5);
}

TEST(Time, LocalNowAgreesWithUtcNow) {
  TZoneGuard Zone("UTC0");
  TFileTime Before = UtcNow();
  TLocalTime Now = LocalNow();
  TFileTime After = UtcNow();
  std::int64_t Seconds = LocalTimeToFileTime(Now).Seconds;
  EXPECT_GE(Seconds, Before.Seconds);
  EXPECT_LE(Seconds, After.Seconds);
}

}  // namespace
}  // namespace Quellit::Platform
