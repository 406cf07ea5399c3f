#include "tool/mount/mount_log.h"

#include <cstdio>

#include "platform/system_log.h"

namespace ostrel {

void MountLog::UseSystemLog() {
  const std::lock_guard lock(mutex_);
  OpenSystemLog();
  systemLog_ = true;
}

void MountLog::Note(const std::string& line) {
  const std::lock_guard lock(mutex_);
  if (sink_)
    sink_(line);
  else if (systemLog_)
    WriteSystemLog("mount: " + line);
  else
    (void)std::fprintf(stderr, "ostrel mount: %s\n", line.c_str());
}

}  // namespace ostrel
