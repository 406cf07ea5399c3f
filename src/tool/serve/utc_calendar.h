// A moment as a date and time of the Gregorian calendar in UTC, from the calendar's rules alone,
// so that no time-zone setting of the machine changes what the server writes.
#pragma once

#include <cstdint>

namespace ostrel {

struct UtcCalendarTime {
  int64_t Year = 1970;
  int Month = 1;  // 1 to 12
  int Day = 1;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Weekday = 4;  // 0 for Sunday
};

UtcCalendarTime UtcCalendarTimeOf(int64_t secondsSinceEpoch);

}  // namespace ostrel
