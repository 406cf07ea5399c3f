// A few threads that share the cipher work on one chunk of blocks. They live for one stream call:
// the procedures keep no process-wide state.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace ostrel {

class BlockWorkers {
 public:
  // The work done by one part: blocks [first, first + count) of the run.
  using PartWork = std::function<void(int32_t part, int64_t first, int64_t count)>;

  // parts: how many parts a run is split into; the caller's thread does one of them, so
  // parts - 1 threads are started. Raises std::system_error when the system refuses a thread.
  explicit BlockWorkers(int32_t parts);
  ~BlockWorkers();
  BlockWorkers(const BlockWorkers&) = delete;
  BlockWorkers& operator=(const BlockWorkers&) = delete;

  int32_t Parts() const { return parts_; }

  // Where part p of a run of total blocks starts; part Parts() starts at total.
  int64_t PartStart(int64_t total, int32_t part) const;

  // Runs work on every part of a run of total blocks, at the same time, and returns when all are
  // done. The work must not raise.
  void Run(int64_t total, const PartWork& work);

 private:
  void Serve(int32_t part);
  void Stop();

  const int32_t parts_;
  std::mutex mutex_;
  std::condition_variable started_;
  std::condition_variable finished_;
  const PartWork* work_ = nullptr;
  int64_t total_ = 0;
  uint64_t generation_ = 0;
  int32_t pending_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace ostrel
