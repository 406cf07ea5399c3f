#include "tool/mount/mount_log.h"

#include <syslog.h>

#include <cstdio>

namespace ostrel {

void MountLog::UseSystemLog() {
  const std::lock_guard lock(mutex_);
  ::openlog("ostrel", LOG_PID, LOG_USER);
  systemLog_ = true;
}

void MountLog::Note(const std::string& line) {
  const std::lock_guard lock(mutex_);
  if (sink_)
    sink_(line);
  else if (systemLog_)
    ::syslog(LOG_NOTICE, "mount: %s", line.c_str());
  else
    (void)std::fprintf(stderr, "ostrel mount: %s\n", line.c_str());
}

}  // namespace ostrel
