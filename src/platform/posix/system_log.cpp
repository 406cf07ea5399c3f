#include "platform/system_log.h"

#include <syslog.h>

#include <string>

namespace ostrel {

void OpenSystemLog() {
  ::openlog("ostrel", LOG_PID, LOG_USER);
}

void WriteSystemLog(std::string_view line) {
  const std::string text(line);
  ::syslog(LOG_NOTICE, "%s", text.c_str());
}

}  // namespace ostrel
