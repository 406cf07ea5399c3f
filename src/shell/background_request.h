// One request running on a worker thread, so that the window that started it stays alive and
// can show how far it has come. The starting thread still owns every message box: a note or
// error that the request wants to show waits until that thread shows it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "shell/user_messages.h"

namespace ostrel {

class BackgroundRequest {
 public:
  // The request; the messages it is given hand every box over to the starting thread.
  using Task = std::function<void(UserMessages&)>;

  enum class State {
    Running,
    MessageWaiting,  // the request waits until ShowWaitingMessage has shown its box
    Finished,        // Finish() may be called
  };

  // Starts task at once.
  explicit BackgroundRequest(Task task);
  // Waits for the request to end; a message still waiting is dropped.
  ~BackgroundRequest();
  BackgroundRequest(const BackgroundRequest&) = delete;
  BackgroundRequest& operator=(const BackgroundRequest&) = delete;

  // Returns as soon as the request has finished or waits for a message, or after timeout.
  State WaitFor(std::chrono::milliseconds timeout);

  // Shows the waiting message through messages, on the calling thread, and lets the request go
  // on when the box is closed. An error raised while showing it is raised in the request.
  void ShowWaitingMessage(UserMessages& messages);

  // After State::Finished: raises the request's error again here, if it ended with one.
  void Finish();

 private:
  struct Message {
    bool IsNote;
    std::string Caption;  // errors only
    std::string Text;
  };
  class Forwarder;

  void Run(const Task& task);
  void Forward(Message message);  // on the worker: hands message over and waits until shown
  bool MessageReady() const { return waiting_.has_value() && !showing_; }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<Message> waiting_;
  bool showing_ = false;
  std::exception_ptr messageError_;
  bool abandoned_ = false;
  bool finished_ = false;
  std::exception_ptr error_;
  std::thread worker_;  // declared last: it starts once everything above exists
};

}  // namespace ostrel
