// Stopping a request while it runs: the window that shows its progress sets the switch, and the
// request, which reads its input a chunk at a time, ends at its next read.
#pragma once

#include <atomic>
#include <exception>
#include <string>
#include <utility>

namespace ostrel {

class StopSwitch {
 public:
  void Stop() { stopped_.store(true, std::memory_order_relaxed); }
  bool Stopped() const { return stopped_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> stopped_{false};
};

// How a stopped request ends. Not an error: the user asked for it, and the note says what became
// of the output.
class RequestStopped : public std::exception {
 public:
  explicit RequestStopped(std::string note) : note_(std::move(note)) {}
  const char* what() const noexcept override { return note_.c_str(); }
  const std::string& Note() const { return note_; }

 private:
  std::string note_;
};

}  // namespace ostrel
