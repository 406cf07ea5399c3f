#include "platform/user_report.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/windows/name_text.h"

namespace ostrel {
namespace {

bool IsUsable(HANDLE handle) {
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// The C runtime's descriptor 2 of a program without a console is connected to nothing; it is
// pointed at the handle found, so that writes to stderr reach it.
bool UseAsStandardError(HANDLE handle) {
  const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
  if (descriptor < 0)
    return false;
  const bool moved = ::_dup2(descriptor, 2) == 0;
  ::_close(descriptor);
  return moved;
}

bool Connect() {
  // A redirection or a pipe from the starter: the handle is inherited and the runtime has it.
  const HANDLE inherited = ::GetStdHandle(STD_ERROR_HANDLE);
  if (IsUsable(inherited)) {
    if (::_fileno(stderr) >= 0 && IsUsable(reinterpret_cast<HANDLE>(::_get_osfhandle(2))))
      return true;
    return UseAsStandardError(inherited);
  }
  // Started from a console window: its text goes there, after the prompt that came back at once.
  if (!::AttachConsole(ATTACH_PARENT_PROCESS))
    return false;
  const HANDLE console =
      ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!IsUsable(console))
    return false;
  ::SetStdHandle(STD_ERROR_HANDLE, console);
  return UseAsStandardError(console);
}

}  // namespace

bool ConnectStandardError() {
  static const bool connected = Connect();
  return connected;
}

void ShowSystemMessageBox(const std::string& caption, const std::string& text, BoxIcon icon) {
  const UINT style = MB_OK | MB_TASKMODAL | MB_SETFOREGROUND |
                     (icon == BoxIcon::Warning ? MB_ICONWARNING : MB_ICONSTOP);
  ::MessageBoxW(nullptr, windows::WidenName(text).c_str(), windows::WidenName(caption).c_str(),
                style);
}

}  // namespace ostrel
