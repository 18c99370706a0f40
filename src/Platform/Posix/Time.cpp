#include "Platform/Time.h"

#include <time.h>

#include <cerrno>

#include "Platform/SystemError.h"

namespace Quellit::Platform {
namespace {

TLocalTime Breakdown(std::int64_t ASeconds, std::int32_t ANanoseconds) {
  time_t Seconds = static_cast<time_t>(ASeconds);
  // localtime_r reads TZ only once; tzset picks up a zone changed since (tests pin one).
  ::tzset();
  struct tm Parts {};
  if (!::localtime_r(&Seconds, &Parts)) RaiseOSError(errno == 0 ? EOVERFLOW : errno);
  TLocalTime Result;
  Result.Year = Parts.tm_year + 1900;
  Result.Month = Parts.tm_mon + 1;
  Result.Day = Parts.tm_mday;
  Result.Hour = Parts.tm_hour;
  Result.Minute = Parts.tm_min;
  Result.Second = Parts.tm_sec;
  Result.Millisecond = ANanoseconds / 1000000;
  Result.DayOfWeek = Parts.tm_wday;
  Result.UtcOffsetSeconds = static_cast<int>(Parts.tm_gmtoff);
  return Result;
}

}  // namespace

TFileTime UtcNow() {
  timespec Now {};
  ::clock_gettime(CLOCK_REALTIME, &Now);
  return {static_cast<std::int64_t>(Now.tv_sec), static_cast<std::int32_t>(Now.tv_nsec)};
}

TLocalTime LocalNow() { return ToLocalTime(UtcNow()); }

TLocalTime ToLocalTime(const TFileTime& ATime) { return Breakdown(ATime.Seconds, ATime.Nanoseconds); }

TLocalTime UnixSecondsToLocalTime(std::int64_t ASeconds) { return Breakdown(ASeconds, 0); }

TFileTime LocalTimeToFileTime(const TLocalTime& ATime) {
  struct tm Parts {};
  Parts.tm_year = ATime.Year - 1900;
  Parts.tm_mon = ATime.Month - 1;
  Parts.tm_mday = ATime.Day;
  Parts.tm_hour = ATime.Hour;
  Parts.tm_min = ATime.Minute;
  Parts.tm_sec = ATime.Second;
  Parts.tm_isdst = -1;  // let the zone rules decide whether daylight saving applies
  time_t Seconds = ::mktime(&Parts);
  return {static_cast<std::int64_t>(Seconds), ATime.Millisecond * 1000000};
}

}  // namespace Quellit::Platform
