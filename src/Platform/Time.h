// The local clock: the current local time and conversions of file times and Unix seconds into
// local calendar time (the process's time zone, TZ included).
#pragma once

#include <cstdint>

#include "Platform/File.h"

namespace Quellit::Platform {

struct TLocalTime {
  int Year = 1970;
  int Month = 1;        // 1..12
  int Day = 1;          // 1..31
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Millisecond = 0;
  int DayOfWeek = 4;    // 0 = Sunday
  int UtcOffsetSeconds = 0;  // local time minus UTC, daylight saving included
};

TLocalTime LocalNow();
TLocalTime ToLocalTime(const TFileTime& ATime);
TLocalTime UnixSecondsToLocalTime(std::int64_t ASeconds);
// The instant a local calendar time names (the reverse of ToLocalTime); the offset field is ignored.
TFileTime LocalTimeToFileTime(const TLocalTime& ATime);
TFileTime UtcNow();

}  // namespace Quellit::Platform
