#include "tool/stamp_time.h"

#include <ctime>

namespace ostrel {

int64_t StampSeconds(const NameTimeStamp& stamp) {
  std::tm fields{};
  fields.tm_year = stamp.Year - 1900;
  fields.tm_mon = stamp.Month - 1;
  fields.tm_mday = stamp.Day;
  fields.tm_hour = stamp.Hour;
  fields.tm_min = stamp.Minute;
  fields.tm_sec = stamp.Second;
  fields.tm_isdst = -1;  // whether summer time applied then is the calendar's to say
  return static_cast<int64_t>(std::mktime(&fields));
}

}  // namespace ostrel
