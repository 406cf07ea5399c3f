#include "platform/console_stop.h"

#include <windows.h>

#include <mutex>
#include <utility>

namespace ostrel {
namespace {

struct StopRequest {
  std::mutex Mutex;
  std::function<void()> Stop;
  bool Registered = false;
};

StopRequest& TheStopRequest() {
  static StopRequest request;
  return request;
}

BOOL WINAPI StopOnConsoleEvent(DWORD event) {
  {
    StopRequest& request = TheStopRequest();
    const std::lock_guard lock(request.Mutex);
    if (!request.Stop)
      return FALSE;  // nothing to stop any more: the next handler decides
    try {
      request.Stop();
    } catch (...) {
      return FALSE;  // no memory to ask with: the system's own handling ends the process
    }
  }
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
    return TRUE;
  // The console closing, a log-off or a shutdown: the system ends the process as soon as this
  // returns, which would cut the server's own end short. The process ends when the server has
  // stopped and the program returns, or when the system's patience runs out.
  ::Sleep(INFINITE);
  return TRUE;
}

}  // namespace

void StopOnConsoleEvents(const std::function<void()>& stop) {
  StopRequest& request = TheStopRequest();
  bool registered = false;
  {
    const std::lock_guard lock(request.Mutex);
    request.Stop = stop;
    registered = std::exchange(request.Registered, true);
  }
  if (!registered)
    ::SetConsoleCtrlHandler(StopOnConsoleEvent, TRUE);
}

// The handler stays registered, passing the events on: the system may hold its list of handlers
// while one of them waits for the end of the process, and taking it out would wait for that list.
void EndStopOnConsoleEvents() noexcept {
  StopRequest& request = TheStopRequest();
  const std::lock_guard lock(request.Mutex);
  request.Stop = nullptr;
}

}  // namespace ostrel
