// Where a mount says what it left out and what failed: standard error while it runs in the
// foreground, the system log once it has gone into the background (its standard error then leads
// nowhere).
#pragma once

#include <mutex>
#include <string>

namespace ostrel {

class MountLog {
 public:
  // Lines go to standard error until UseSystemLog.
  void UseSystemLog();
  // One line, prefixed "ostrel mount: ".
  void Note(const std::string& line);

 private:
  std::mutex mutex_;
  bool systemLog_ = false;
};

}  // namespace ostrel
