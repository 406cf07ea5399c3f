#include "tool/mount/background_jobs.h"

#include <system_error>

#include "platform/thread_priority.h"

namespace ostrel {

BackgroundJobs::BackgroundJobs(unsigned threads, std::size_t queueLimit, JobPriority priority)
    : threads_(threads < 1 ? 1 : threads), queueLimit_(queueLimit), priority_(priority) {}

BackgroundJobs::~BackgroundJobs() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  posted_.notify_all();
  for (std::thread& thread : running_)
    thread.join();
}

bool BackgroundJobs::Post(std::function<void()> job) {
  {
    const std::lock_guard lock(mutex_);
    if (stopping_ || queue_.size() >= queueLimit_)
      return false;
    try {
      while (running_.size() < threads_)
        running_.emplace_back([this] { Serve(); });
    } catch (const std::system_error&) {
      // Fewer threads than asked for still serve; none at all means the job cannot run.
      if (running_.empty())
        return false;
    }
    queue_.push_back(std::move(job));
  }
  posted_.notify_one();
  return true;
}

void BackgroundJobs::Serve() {
  if (priority_ == JobPriority::kSpare)
    LowerThisThreadPriority();
  std::unique_lock lock(mutex_);
  for (;;) {
    posted_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_)
      return;
    std::function<void()> job = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    job();
    job = nullptr;  // what the job holds is released before the next wait
    lock.lock();
  }
}

}  // namespace ostrel
