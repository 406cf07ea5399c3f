// A few threads that run jobs the caller does not wait for, such as decrypting ahead of a reader.
// The threads start with the first job, since a mount makes its tree before it forks into the
// background and threads do not survive the fork. A job that finds the queue full is dropped: such
// work only saves time later, and a bounded queue keeps memory flat.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace ostrel {

// Normal for work a program is about to wait on (decrypting ahead of a reader); Spare for work
// nobody may ever ask for (listings made ahead), which must not slow a program's requests.
enum class JobPriority { kNormal, kSpare };

class BackgroundJobs {
 public:
  BackgroundJobs(unsigned threads, std::size_t queueLimit,
                 JobPriority priority = JobPriority::kNormal);
  // Drops the jobs not begun and waits for those running.
  ~BackgroundJobs();
  BackgroundJobs(const BackgroundJobs&) = delete;
  BackgroundJobs& operator=(const BackgroundJobs&) = delete;

  // Queues the job; false when it was dropped (the queue full, or no thread could be started).
  // The job must not raise.
  bool Post(std::function<void()> job);

 private:
  void Serve();

  const unsigned threads_;
  const std::size_t queueLimit_;
  const JobPriority priority_;
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> queue_;
  bool stopping_ = false;
  std::vector<std::thread> running_;
};

}  // namespace ostrel
