#include "tool/backup/output_times.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

namespace ostrel {

int64_t StampSeconds(const NameTimeStamp& stamp, bool utc) {
  if (utc) {
    // The calendar's own arithmetic: the same on every system, with no time zone involved.
    using namespace std::chrono;
    const sys_days date = year{stamp.Year} / month{static_cast<unsigned>(stamp.Month)} /
                          day{static_cast<unsigned>(stamp.Day)};
    const sys_seconds time =
        date + hours{stamp.Hour} + minutes{stamp.Minute} + seconds{stamp.Second};
    return time.time_since_epoch().count();
  }
  std::tm fields{};
  fields.tm_year = stamp.Year - 1900;
  fields.tm_mon = stamp.Month - 1;
  fields.tm_mday = stamp.Day;
  fields.tm_hour = stamp.Hour;
  fields.tm_min = stamp.Minute;
  fields.tm_sec = stamp.Second;
  fields.tm_isdst = -1;  // whichever of summer or winter time held on that day
  return static_cast<int64_t>(std::mktime(&fields));
}

std::string UtcText(int64_t seconds) {
  using namespace std::chrono;
  const sys_seconds time{std::chrono::seconds{seconds}};
  const sys_days midnight = floor<days>(time);
  const year_month_day date{midnight};
  const hh_mm_ss<std::chrono::seconds> clock{time - midnight};
  char text[48];
  (void)std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ",
                      static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                      static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                      static_cast<int>(clock.minutes().count()),
                      static_cast<int>(clock.seconds().count()));
  return text;
}

}  // namespace ostrel
