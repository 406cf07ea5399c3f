#include "shell/watched_request.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace ostrel {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Shorter requests finish without any window: most files take a few milliseconds, and a window
// that flashes up and vanishes again would only distract.
constexpr milliseconds kQuietTime{500};

}  // namespace

void RunWatchedRequest(StoppableTask task, UserMessages& messages,
                       const ProgressWindowShow& showProgressWindow) {
  StopSwitch stop;
  BackgroundRequest request(
      [&stop, task = std::move(task)](UserMessages& forwarded) { task(forwarded, stop); });
  Clock::time_point deadline = Clock::now() + kQuietTime;
  for (;;) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
    switch (request.WaitFor(std::max(left, milliseconds(0)))) {
      case BackgroundRequest::State::Finished:
        request.Finish();
        return;
      case BackgroundRequest::State::MessageWaiting:
        request.ShowWaitingMessage(messages);
        deadline = Clock::now() + kQuietTime;
        continue;
      case BackgroundRequest::State::Running:
        try {
          showProgressWindow(request, stop);
        } catch (...) {
          // The request must not outlive its window unseen: it is stopped before it is waited for.
          stop.Stop();
          throw;
        }
        request.Finish();
        return;
    }
  }
}

bool ServeRequest(BackgroundRequest& request, UserMessages& messages) {
  switch (request.WaitFor(milliseconds(0))) {
    case BackgroundRequest::State::Finished:
      return true;
    case BackgroundRequest::State::MessageWaiting:
      request.ShowWaitingMessage(messages);
      return false;
    case BackgroundRequest::State::Running:
      return false;
  }
  return false;
}

}  // namespace ostrel
