// The local clock through the C runtime: it reads the zone from TZ ("MSK-3") when it is set, and
// from the system's time-zone settings otherwise, as the POSIX backend does with its zone files.
#include "Platform/Time.h"

#include <time.h>

#include <cstdlib>

#include "Platform/SystemError.h"
#include "Platform/Win32/FileStatus.h"
#include "Platform/Win32/SystemCall.h"

namespace Quellit::Platform {
namespace {

// The runtime keeps an environment of its own that SetEnvironmentVariableW does not reach: its TZ
// is set from the process's before each conversion, so a zone changed at run time is followed.
void FollowProcessZone() {
  wchar_t Zone[128];
  const DWORD Length = ::GetEnvironmentVariableW(L"TZ", Zone, static_cast<DWORD>(std::size(Zone)));
  ::_wputenv_s(L"TZ", Length > 0 && Length < std::size(Zone) ? Zone : L"");
  ::_tzset();
}

// The zone's standard offset east of UTC. Before 1970, where the runtime's conversions stop, no
// daylight saving is applied.
long StandardOffsetSeconds() { return -_timezone; }

TLocalTime FromCalendar(const struct tm& AParts, std::int32_t ANanoseconds, int AOffsetSeconds) {
  TLocalTime Result;
  Result.Year = AParts.tm_year + 1900;
  Result.Month = AParts.tm_mon + 1;
  Result.Day = AParts.tm_mday;
  Result.Hour = AParts.tm_hour;
  Result.Minute = AParts.tm_min;
  Result.Second = AParts.tm_sec;
  Result.Millisecond = ANanoseconds / 1000000;
  Result.DayOfWeek = AParts.tm_wday;
  Result.UtcOffsetSeconds = AOffsetSeconds;
  return Result;
}

// A time before 1970 (as old as 1601), shifted by the standard offset and broken down by the system.
TLocalTime BreakdownBefore1970(std::int64_t ASeconds, std::int32_t ANanoseconds) {
  const long Offset = StandardOffsetSeconds();
  const FILETIME Local = SystemFileTimeOf({ASeconds + Offset, 0});
  SYSTEMTIME Parts {};
  if (!::FileTimeToSystemTime(&Local, &Parts)) RaiseOSError(static_cast<int>(::GetLastError()));
  struct tm Calendar {};
  Calendar.tm_year = Parts.wYear - 1900;
  Calendar.tm_mon = Parts.wMonth - 1;
  Calendar.tm_mday = Parts.wDay;
  Calendar.tm_hour = Parts.wHour;
  Calendar.tm_min = Parts.wMinute;
  Calendar.tm_sec = Parts.wSecond;
  Calendar.tm_wday = Parts.wDayOfWeek;
  return FromCalendar(Calendar, ANanoseconds, static_cast<int>(Offset));
}

TLocalTime Breakdown(std::int64_t ASeconds, std::int32_t ANanoseconds) {
  FollowProcessZone();
  const __time64_t Seconds = ASeconds;
  struct tm Parts {};
  if (::_localtime64_s(&Parts, &Seconds) != 0) return BreakdownBefore1970(ASeconds, ANanoseconds);
  // The calendar fields read as UTC, less the instant, are the zone's offset then.
  struct tm AsUtc = Parts;
  return FromCalendar(Parts, ANanoseconds, static_cast<int>(::_mkgmtime64(&AsUtc) - Seconds));
}

// The instant of a local calendar time before 1970, by the standard offset.
std::int64_t SecondsBefore1970(const TLocalTime& ATime) {
  SYSTEMTIME Parts {};
  Parts.wYear = static_cast<WORD>(ATime.Year);
  Parts.wMonth = static_cast<WORD>(ATime.Month);
  Parts.wDay = static_cast<WORD>(ATime.Day);
  Parts.wHour = static_cast<WORD>(ATime.Hour);
  Parts.wMinute = static_cast<WORD>(ATime.Minute);
  Parts.wSecond = static_cast<WORD>(ATime.Second);
  FILETIME Local {};
  if (!::SystemTimeToFileTime(&Parts, &Local)) RaiseOSError(static_cast<int>(::GetLastError()));
  return FileTimeOf(Local).Seconds - StandardOffsetSeconds();
}

}  // namespace

// The precise clock needs Windows 8; the program runs on Windows 7, whose clock ticks coarser.
TFileTime UtcNow() {
  FILETIME Now {};
  ::GetSystemTimeAsFileTime(&Now);
  return FileTimeOf(Now);
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
  __time64_t Seconds = ::_mktime64(&Parts);
  if (Seconds == -1) Seconds = SecondsBefore1970(ATime);
  return {static_cast<std::int64_t>(Seconds), ATime.Millisecond * 1000000};
}

}  // namespace Quellit::Platform
