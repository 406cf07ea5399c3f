#include "tool/output_times.h"

#include <ctime>
#include <string>

namespace ostrel {

int64_t StampSeconds(const NameTimeStamp& stamp, bool utc) {
  std::tm fields{};
  fields.tm_year = stamp.Year - 1900;
  fields.tm_mon = stamp.Month - 1;
  fields.tm_mday = stamp.Day;
  fields.tm_hour = stamp.Hour;
  fields.tm_min = stamp.Minute;
  fields.tm_sec = stamp.Second;
  fields.tm_isdst = -1;  // whichever of summer or winter time held on that day
  return static_cast<int64_t>(utc ? ::timegm(&fields) : std::mktime(&fields));
}

std::string UtcText(int64_t seconds) {
  const auto time = static_cast<std::time_t>(seconds);
  std::tm fields{};
  ::gmtime_r(&time, &fields);
  char text[40];
  (void)std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &fields);
  return text;
}

}  // namespace ostrel
