#include "shell/background_request.h"

#include <utility>

namespace ostrel {

class BackgroundRequest::Forwarder : public UserMessages {
 public:
  explicit Forwarder(BackgroundRequest& owner) : owner_(owner) {}
  void ShowNote(const std::string& text) override { owner_.Forward({true, {}, text}); }
  void ShowError(const std::string& caption, const std::string& text) override {
    owner_.Forward({false, caption, text});
  }

 private:
  BackgroundRequest& owner_;
};

BackgroundRequest::BackgroundRequest(Task task)
    : worker_([this, task = std::move(task)] { Run(task); }) {}

BackgroundRequest::~BackgroundRequest() {
  {
    const std::lock_guard lock(mutex_);
    abandoned_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable())
    worker_.join();
}

BackgroundRequest::State BackgroundRequest::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout, [this] { return finished_ || MessageReady(); });
  if (finished_)
    return State::Finished;
  return MessageReady() ? State::MessageWaiting : State::Running;
}

void BackgroundRequest::ShowWaitingMessage(UserMessages& messages) {
  Message message;
  {
    const std::lock_guard lock(mutex_);
    if (!MessageReady())
      return;
    message = *waiting_;
    showing_ = true;
  }
  std::exception_ptr failure;
  try {
    if (message.IsNote) {
      messages.ShowNote(message.Text);
    } else {
      messages.ShowError(message.Caption, message.Text);
    }
  } catch (...) {
    failure = std::current_exception();
  }
  {
    const std::lock_guard lock(mutex_);
    waiting_.reset();
    showing_ = false;
    messageError_ = failure;
  }
  changed_.notify_all();
}

void BackgroundRequest::Finish() {
  if (worker_.joinable())
    worker_.join();
  if (error_)
    std::rethrow_exception(std::exchange(error_, nullptr));
}

void BackgroundRequest::Run(const Task& task) {
  std::exception_ptr error;
  try {
    Forwarder messages(*this);
    task(messages);
  } catch (...) {
    error = std::current_exception();
  }
  {
    const std::lock_guard lock(mutex_);
    error_ = error;
    finished_ = true;
  }
  changed_.notify_all();
}

void BackgroundRequest::Forward(Message message) {
  std::unique_lock lock(mutex_);
  if (abandoned_)
    return;
  waiting_ = std::move(message);
  changed_.notify_all();
  changed_.wait(lock, [this] { return !waiting_.has_value() || abandoned_; });
  if (messageError_)
    std::rethrow_exception(std::exchange(messageError_, nullptr));
}

}  // namespace ostrel
