// Where a mount says what it left out and what failed: standard error while it runs in the
// foreground, the system log once it has gone into the background (its standard error then leads
// nowhere).
#pragma once

#include <functional>
#include <mutex>
#include <string>

namespace ostrel {

class MountLog {
 public:
  using Sink = std::function<void(const std::string&)>;
  MountLog() = default;
  // Lines go to sink instead, without the prefix: for a tree served in-process.
  explicit MountLog(Sink sink) : sink_(std::move(sink)) {}

  // Lines go to standard error until UseSystemLog.
  void UseSystemLog();
  // One line, prefixed "ostrel mount: ".
  void Note(const std::string& line);

 private:
  std::mutex mutex_;
  bool systemLog_ = false;
  Sink sink_;
};

}  // namespace ostrel
