#include "tool/serve/utc_calendar.h"

namespace ostrel {

UtcCalendarTime UtcCalendarTimeOf(int64_t secondsSinceEpoch) {
  int64_t days = secondsSinceEpoch / 86400;
  int64_t seconds = secondsSinceEpoch % 86400;
  if (seconds < 0) {
    seconds += 86400;
    --days;
  }
  UtcCalendarTime time;
  time.Weekday = static_cast<int>(((days + 4) % 7 + 7) % 7);  // 1970-01-01 was a Thursday
  // Days to a civil date in the proleptic Gregorian calendar, counting from 1 March so that the
  // leap day ends the year (H. Hinnant, "chrono-Compatible Low-Level Date Algorithms").
  const int64_t shifted = days + 719468;
  const int64_t era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
  const int64_t dayOfEra = shifted - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  time.Day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  time.Month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  time.Year = yearOfEra + era * 400 + (time.Month <= 2 ? 1 : 0);
  time.Hour = static_cast<int>(seconds / 3600);
  time.Minute = static_cast<int>(seconds / 60 % 60);
  time.Second = static_cast<int>(seconds % 60);
  return time;
}

}  // namespace ostrel
