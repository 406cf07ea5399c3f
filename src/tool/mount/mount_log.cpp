#include "tool/mount/mount_log.h"

#include <cstdio>
#include <utility>

namespace ostrel {

void MountLog::Redirect(Sink sink) {
  const std::lock_guard lock(mutex_);
  sink_ = std::move(sink);
}

void MountLog::Note(const std::string& line) {
  const std::lock_guard lock(mutex_);
  if (sink_)
    sink_(line);
  else
    (void)std::fprintf(stderr, "ostrel mount: %s\n", line.c_str());
}

}  // namespace ostrel
