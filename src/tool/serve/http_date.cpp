#include "tool/serve/http_date.h"

#include <array>
#include <cstdio>

#include "tool/serve/utc_calendar.h"

namespace ostrel {

std::string HttpDate(int64_t secondsSinceEpoch) {
  static constexpr std::array<const char*, 7> kDays{"Sun", "Mon", "Tue", "Wed",
                                                    "Thu", "Fri", "Sat"};
  static constexpr std::array<const char*, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const UtcCalendarTime time = UtcCalendarTimeOf(secondsSinceEpoch);
  char text[64];
  (void)std::snprintf(text, sizeof text, "%s, %02d %s %04lld %02d:%02d:%02d GMT",
                      kDays[static_cast<std::size_t>(time.Weekday)], time.Day,
                      kMonths[static_cast<std::size_t>(time.Month - 1)],
                      static_cast<long long>(time.Year), time.Hour, time.Minute, time.Second);
  return text;
}

}  // namespace ostrel
