// The local clock through the C runtime: it reads the zone from TZ ("MSK-3") when it is set, and
// from the system's time-zone settings otherwise, as the POSIX backend does with its zone files.
#include "Platform/Time.h"

#include <time.h>

#include <cerrno>
#include <cstdlib>

#include "Platform/SystemError.h"
#include "Platform/Win32/SystemCall.h"

namespace Quellit::Platform {
namespace {

// 100-nanosecond ticks between 1601-01-01 (FILETIME) and 1970-01-01.
constexpr std::int64_t UnixEpochTicks = 116444736000000000LL;

// The runtime keeps an environment of its own that SetEnvironmentVariableW does not reach: its TZ
// is set from the process's before each conversion, so a zone changed at run time is followed.
void FollowProcessZone() {
  wchar_t Zone[128];
  const DWORD Length = ::GetEnvironmentVariableW(L"TZ", Zone, static_cast<DWORD>(std::size(Zone)));
  ::_wputenv_s(L"TZ", Length > 0 && Length < std::size(Zone) ? Zone : L"");
  ::_tzset();
}

TLocalTime Breakdown(std::int64_t ASeconds, std::int32_t ANanoseconds) {
  FollowProcessZone();
  const __time64_t Seconds = ASeconds;
  struct tm Parts {};
  if (::_localtime64_s(&Parts, &Seconds) != 0) RaiseOSError(ERROR_ARITHMETIC_OVERFLOW);
  TLocalTime Result;
  Result.Year = Parts.tm_year + 1900;
  Result.Month = Parts.tm_mon + 1;
  Result.Day = Parts.tm_mday;
  Result.Hour = Parts.tm_hour;
  Result.Minute = Parts.tm_min;
  Result.Second = Parts.tm_sec;
  Result.Millisecond = ANanoseconds / 1000000;
  Result.DayOfWeek = Parts.tm_wday;
  // The calendar fields read as UTC, less the instant, are the zone's offset then.
  Result.UtcOffsetSeconds = static_cast<int>(::_mkgmtime64(&Parts) - Seconds);
  return Result;
}

}  // namespace

TFileTime UtcNow() {
  FILETIME Now {};
  ::GetSystemTimePreciseAsFileTime(&Now);
  const std::int64_t Ticks =
      static_cast<std::int64_t>((static_cast<std::uint64_t>(Now.dwHighDateTime) << 32) | Now.dwLowDateTime) - UnixEpochTicks;
  std::int64_t Seconds = Ticks / 10000000, Rest = Ticks % 10000000;
  if (Rest < 0) {
    --Seconds;
    Rest += 10000000;
  }
  return {Seconds, static_cast<std::int32_t>(Rest * 100)};
}

TLocalTime LocalNow() { return ToLocalTime(UtcNow()); }

TLocalTime ToLocalTime(const TFileTime& ATime) { return Breakdown(ATime.Seconds, ATime.Nanoseconds); }

TLocalTime UnixSecondsToLocalTime(std::int64_t ASeconds) { return Breakdown(ASeconds, 0); }

TFileTime LocalTimeToFileTime(const TLocalTime& ATime) {
  FollowProcessZone();
  struct tm Parts {};
  Parts.tm_year = ATime.Year - 1900;
  Parts.tm_mon = ATime.Month - 1;
  Parts.tm_mday = ATime.Day;
  Parts.tm_hour = ATime.Hour;
  Parts.tm_min = ATime.Minute;
  Parts.tm_sec = ATime.Second;
  Parts.tm_isdst = -1;  // let the zone rules decide whether daylight saving applies
  const __time64_t Seconds = ::_mktime64(&Parts);
  return {static_cast<std::int64_t>(Seconds), ATime.Millisecond * 1000000};
}

}  // namespace Quellit::Platform
