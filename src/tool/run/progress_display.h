// The progress line on standard error: files and bytes done of the total, the rate and the time
// left, redrawn a few times a second on its own thread while a run works.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace ostrel {

struct ProgressCounters {
  std::atomic<int64_t> FilesDone{0};
  std::atomic<int64_t> BytesDone{0};
  // Grow while the run is still being planned.
  std::atomic<int64_t> FilesTotal{0};
  std::atomic<int64_t> BytesTotal{0};

  // The file a worker has started, for the progress line.
  void SetWorkingOn(const std::string& name) {
    const std::lock_guard lock(nameMutex_);
    workingOn_ = name;
  }
  std::string WorkingOn() const {
    const std::lock_guard lock(nameMutex_);
    return workingOn_;
  }

 private:
  mutable std::mutex nameMutex_;
  std::string workingOn_;
};

class ProgressDisplay {
 public:
  // enabled false: draws nothing, but still serialises writes to standard error.
  ProgressDisplay(const ProgressCounters& counters, bool enabled);
  ~ProgressDisplay();
  ProgressDisplay(const ProgressDisplay&) = delete;
  ProgressDisplay& operator=(const ProgressDisplay&) = delete;

  // Runs write with the progress line erased, so that messages never mix with it.
  void WriteAbove(const std::function<void()>& write);

  // Erases the line for good and stops the drawing thread.
  void Stop();

 private:
  void Draw();
  void Erase();
  void Run();

  const ProgressCounters& counters_;
  bool enabled_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  bool shown_ = false;
  std::chrono::steady_clock::time_point start_;
  std::thread thread_;
};

// The progress line cut to fit columns (at least one column is kept free, so that the terminal
// never wraps it): the figures first, then as much of the file name as fits, its end kept.
std::string FitProgressLine(const std::string& figures, const std::string& name,
                            std::size_t columns);

}  // namespace ostrel
