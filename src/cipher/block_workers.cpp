#include "cipher/block_workers.h"

#include <algorithm>

namespace ostrel {

BlockWorkers::BlockWorkers(int32_t parts) : parts_(std::max(parts, 1)) {
  threads_.reserve(static_cast<size_t>(parts_ - 1));
  try {
    for (int32_t part = 1; part < parts_; ++part) {
      threads_.emplace_back([this, part] { Serve(part); });
    }
  } catch (...) {
    // The threads already started must end before their vector dies.
    Stop();
    throw;
  }
}

BlockWorkers::~BlockWorkers() {
  Stop();
}

void BlockWorkers::Stop() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  started_.notify_all();
  for (std::thread& thread : threads_) {
    thread.join();
  }
  threads_.clear();
}

int64_t BlockWorkers::PartStart(int64_t total, int32_t part) const {
  // total * part / parts without overflow for any block count a stream can have.
  return total / parts_ * part + total % parts_ * part / parts_;
}

void BlockWorkers::Run(int64_t total, const PartWork& work) {
  {
    const std::lock_guard lock(mutex_);
    work_ = &work;
    total_ = total;
    pending_ = parts_ - 1;
    ++generation_;
  }
  started_.notify_all();
  work(0, 0, PartStart(total, 1));
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [this] { return pending_ == 0; });
  work_ = nullptr;
}

void BlockWorkers::Serve(int32_t part) {
  uint64_t seen = 0;
  std::unique_lock lock(mutex_);
  while (true) {
    started_.wait(lock, [&] { return stopping_ || generation_ != seen; });
    if (stopping_) {
      return;
    }
    seen = generation_;
    const PartWork& work = *work_;
    const int64_t first = PartStart(total_, part);
    const int64_t count = PartStart(total_, part + 1) - first;
    lock.unlock();
    work(part, first, count);
    lock.lock();
    if (--pending_ == 0) {
      finished_.notify_one();
    }
  }
}

}  // namespace ostrel
