#include "platform/console_stop.h"

#include <windows.h>

#include <mutex>

namespace ostrel {
namespace {

struct StopRequest {
  std::mutex Mutex;
  std::function<void()> Stop;
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
    request.Stop();
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
  {
    const std::lock_guard lock(request.Mutex);
    request.Stop = stop;
  }
  ::SetConsoleCtrlHandler(StopOnConsoleEvent, TRUE);
}

void EndStopOnConsoleEvents() noexcept {
  ::SetConsoleCtrlHandler(StopOnConsoleEvent, FALSE);
  StopRequest& request = TheStopRequest();
  const std::lock_guard lock(request.Mutex);
  request.Stop = nullptr;
}

}  // namespace ostrel
