#include "platform/terminal_input.h"

#include <windows.h>

#include <string>

#include "platform/windows/console_restore.h"
#include "platform/windows/console_text.h"
#include "platform/windows/directory_handles.h"
#include "platform/windows/name_text.h"
#include "platform/windows/secret_text.h"
#include "secret/secure_wipe.h"

namespace ostrel {
namespace {

// The console's own input and screen, whatever the standard handles were redirected to.
class Console {
 public:
  Console()
      : input_(::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr)),
        output_(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr)) {}
  ~Console() {
    if (input_ != INVALID_HANDLE_VALUE)
      ::CloseHandle(input_);
    if (output_ != INVALID_HANDLE_VALUE)
      ::CloseHandle(output_);
  }
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  bool Usable() const {
    DWORD mode = 0;
    return input_ != INVALID_HANDLE_VALUE && output_ != INVALID_HANDLE_VALUE &&
           ::GetConsoleMode(input_, &mode) != 0;
  }
  HANDLE Input() const { return input_; }

  void Write(const std::wstring& text) const {
    DWORD written = 0;
    ::WriteConsoleW(output_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }

 private:
  HANDLE input_;
  HANDLE output_;
};

// Echo comes back however the read ends, and before Ctrl-C ends the process.
class EchoOff {
 public:
  explicit EchoOff(HANDLE console) : console_(console) {
    active_ = ::GetConsoleMode(console_, &saved_) != 0;
    if (!active_)
      return;
    windows::RestoreConsoleOnInterrupt(console_, saved_);
    // Whole lines, Ctrl-C handled by the system (and so by the interruption handler), no echo.
    ::SetConsoleMode(console_, (saved_ & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) |
                                   ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT);
  }
  ~EchoOff() {
    if (!active_)
      return;
    ::SetConsoleMode(console_, saved_);
    windows::RestoreConsoleOnInterrupt(nullptr, 0);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  HANDLE console_;
  DWORD saved_ = 0;
  bool active_ = false;
};

}  // namespace

std::size_t ReportedTerminalColumns(int handle) noexcept {
  CONSOLE_SCREEN_BUFFER_INFO information{};
  const HANDLE relayed = windows::RelayedConsole(handle);
  if (::GetConsoleScreenBufferInfo(relayed != nullptr ? relayed : windows::SystemHandle(handle),
                                   &information) == 0)
    return 0;
  const int width = information.srWindow.Right - information.srWindow.Left + 1;
  return width > 0 ? static_cast<std::size_t>(width) : 0;
}

bool IsTerminal(int handle) noexcept {
  // Only a console has a console mode; the character device NUL does not.
  DWORD mode = 0;
  return windows::RelayedConsole(handle) != nullptr ||
         ::GetConsoleMode(windows::SystemHandle(handle), &mode) != 0;
}

bool ReadHiddenLineFromTerminal(const char* prompt, std::string& line, bool& approximated) {
  approximated = false;
  const Console console;
  if (!console.Usable())
    return false;
  std::wstring typed;
  // Room for any pass phrase, so that no copy of the typed text is left behind by growing.
  typed.reserve(4096);
  bool complete = false;
  {
    const EchoOff quiet(console.Input());
    // After the messages before it, which may still be on their way to the console.
    if (!windows::ShowAfterRelayedText(prompt))
      console.Write(windows::WidenName(prompt));
    // A character at a time, so that nothing typed after the line is taken from the console.
    for (;;) {
      wchar_t character = 0;
      DWORD read = 0;
      if (::ReadConsoleW(console.Input(), &character, 1, &read, nullptr) == 0 || read == 0)
        break;
      if (character == L'\n') {
        complete = true;
        break;
      }
      typed.push_back(character);
    }
  }
  // Echo was off, so the user's Enter did not move the cursor.
  if (!windows::ShowAfterRelayedText("\r\n"))
    console.Write(L"\r\n");
  if (!typed.empty() && typed.back() == L'\r')
    typed.pop_back();
  if (complete)
    approximated = !windows::AppendSecretInCodePage(typed, line);
  SecureWipe(typed.data(), typed.capacity() * sizeof(wchar_t));
  return complete;
}

}  // namespace ostrel
