// The tool holds its text, names included, in UTF-8. A console shows 8-bit text in its own code
// page, which lacks most characters of most names; so standard output and error that are a
// console are relayed: a pipe takes their bytes in the order they are written, and a thread
// writes them to the console as UTF-16 with WriteConsoleW. Files and pipes get the UTF-8 bytes
// unchanged.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/standard_streams.h"
#include "platform/utf8_text.h"
#include "platform/windows/console_text.h"
#include "platform/windows/directory_handles.h"

namespace ostrel {
namespace {

struct Relay {
  HANDLE console = nullptr;  // a handle of our own to the console that the streams were
  HANDLE input = nullptr;    // the relay's own end for text written beside the streams
  HANDLE output = nullptr;   // the end the thread reads
  bool relaysOutput = false;
  bool relaysError = false;
  std::thread thread;
};

Relay& TheRelay() {
  static Relay relay;
  return relay;
}

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

// How many bytes at the end of text begin a UTF-8 sequence that the next read completes.
std::size_t IncompleteTail(std::string_view text) {
  for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
    const auto byte = static_cast<unsigned char>(text[text.size() - back]);
    if ((byte & 0xC0) == 0x80)
      continue;
    const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return length > back ? back : 0;
  }
  return 0;
}

// Bytes that are no UTF-8 (text the tool passes on unread, such as a file decrypted to the
// console) show as the console's code page shows them, as they did before they were relayed.
std::wstring ConsoleText(std::string_view bytes) {
  const std::u16string wide = WidenUtf8(bytes, LoneSurrogates::kEscapedBytes);
  std::wstring shown;
  shown.reserve(wide.size());
  const UINT codePage = ::GetConsoleOutputCP();
  for (const char16_t unit : wide) {
    if (unit >= 0xDC80 && unit <= 0xDCFF) {
      const char byte = static_cast<char>(unit - 0xDC00);
      wchar_t character = L'?';
      if (::MultiByteToWideChar(codePage, 0, &byte, 1, &character, 1) != 1)
        character = L'?';
      shown.push_back(character);
    } else {
      shown.push_back(static_cast<wchar_t>(unit));
    }
  }
  return shown;
}

void ShowOnConsole(HANDLE console, const std::wstring& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    DWORD written = 0;
    const DWORD part = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 8192));
    if (::WriteConsoleW(console, text.data() + done, part, &written, nullptr) == 0 || written == 0)
      return;  // the console is gone; nobody is left to read the text
    done += written;
  }
}

void RelayUntilClosed(HANDLE output, HANDLE console) {
  std::string pending;
  char buffer[16384];
  for (;;) {
    DWORD read = 0;
    if (::ReadFile(output, buffer, sizeof buffer, &read, nullptr) == 0 || read == 0)
      break;
    pending.append(buffer, read);
    const std::size_t tail = IncompleteTail(pending);
    ShowOnConsole(console, ConsoleText(std::string_view(pending).substr(0, pending.size() - tail)));
    pending.erase(0, pending.size() - tail);
  }
  if (!pending.empty())
    ShowOnConsole(console, ConsoleText(pending));
}

// At exit: what the streams hold goes out, their ends of the pipe close, and the thread writes
// the rest before the process ends.
void FinishRelay() {
  Relay& relay = TheRelay();
  (void)std::fflush(stdout);
  (void)std::fflush(stderr);
  if (relay.relaysOutput)
    (void)::_close(1);
  if (relay.relaysError)
    (void)::_close(2);
  ::CloseHandle(relay.input);
  relay.thread.join();
  ::CloseHandle(relay.output);
}

// Points a descriptor at the pipe; the stream behind it then writes each piece at once, as it
// did to the console.
bool Redirect(int descriptor, HANDLE input) {
  HANDLE copy = nullptr;
  if (::DuplicateHandle(::GetCurrentProcess(), input, ::GetCurrentProcess(), &copy, 0, FALSE,
                        DUPLICATE_SAME_ACCESS) == 0)
    return false;
  const int pipe = ::_open_osfhandle(reinterpret_cast<intptr_t>(copy), _O_WRONLY | _O_BINARY);
  if (pipe < 0) {
    ::CloseHandle(copy);
    return false;
  }
  const bool moved = ::_dup2(pipe, descriptor) == 0;
  ::_close(pipe);
  return moved;
}

}  // namespace

void ShowStandardTextOnConsole() noexcept {
  Relay& relay = TheRelay();
  const HANDLE output = windows::SystemHandle(1);
  const HANDLE error = windows::SystemHandle(2);
  const bool outputIsConsole = IsConsole(output);
  const bool errorIsConsole = IsConsole(error);
  if (!outputIsConsole && !errorIsConsole)
    return;
  // The descriptors' own handles close when they are pointed at the pipe.
  if (::DuplicateHandle(::GetCurrentProcess(), errorIsConsole ? error : output,
                        ::GetCurrentProcess(), &relay.console, 0, FALSE,
                        DUPLICATE_SAME_ACCESS) == 0)
    return;
  if (::CreatePipe(&relay.output, &relay.input, nullptr, 65536) == 0) {
    ::CloseHandle(relay.console);
    relay.console = nullptr;
    return;
  }
  try {
    relay.thread = std::thread(RelayUntilClosed, relay.output, relay.console);
  } catch (...) {
    ::CloseHandle(relay.input);
    ::CloseHandle(relay.output);
    ::CloseHandle(relay.console);
    relay.console = nullptr;
    return;
  }
  (void)std::fflush(stdout);
  (void)std::fflush(stderr);
  relay.relaysOutput = outputIsConsole && Redirect(1, relay.input);
  relay.relaysError = errorIsConsole && Redirect(2, relay.input);
  if (relay.relaysOutput)
    (void)std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (relay.relaysError)
    (void)std::setvbuf(stderr, nullptr, _IONBF, 0);
  (void)std::atexit(FinishRelay);
}

namespace windows {

HANDLE RelayedConsole(int descriptor) noexcept {
  const Relay& relay = TheRelay();
  if ((descriptor == 1 && relay.relaysOutput) || (descriptor == 2 && relay.relaysError))
    return relay.console;
  return nullptr;
}

bool ShowAfterRelayedText(std::string_view text) noexcept {
  const Relay& relay = TheRelay();
  if (!relay.relaysOutput && !relay.relaysError)
    return false;
  (void)std::fflush(stdout);
  (void)std::fflush(stderr);
  DWORD written = 0;
  return ::WriteFile(relay.input, text.data(), static_cast<DWORD>(text.size()), &written,
                     nullptr) != 0;
}

}  // namespace windows
}  // namespace ostrel
