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

  // Lines go to sink from now on, without the prefix: for a mount gone into the background, whose
  // standard error leads nowhere.
  void Redirect(Sink sink);
  // One line, prefixed "ostrel mount: ".
  void Note(const std::string& line);

 private:
  std::mutex mutex_;
  Sink sink_;
};

}  // namespace ostrel
