// Reads a message box the way an accessibility tool does, for the dialog's test under wine: finds
// the box by its caption among the top-level windows, and prints its caption, its text and its
// owner's title, a line each:
//
//   read_message_box.exe CAPTION [SECONDS]
//
// Waits up to SECONDS (default 20) for the box; exits with 1 when none appears.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// The id that message boxes give their text.
constexpr int kMessageText = 0xFFFF;

struct Search {
  const wchar_t* Caption;
  HWND Found = nullptr;
};

std::wstring TextOf(HWND window) {
  wchar_t text[8192] = {};
  ::GetWindowTextW(window, text, static_cast<int>(std::size(text)));
  return text;
}

BOOL CALLBACK Visit(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  wchar_t windowClass[64] = {};
  ::GetClassNameW(window, windowClass, static_cast<int>(std::size(windowClass)));
  if (::IsWindowVisible(window) && std::wcscmp(windowClass, L"#32770") == 0 &&
      TextOf(window) == search->Caption) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

// Text for the test, which reads it as UTF-8.
std::string Utf8(const std::wstring& text) {
  const int needed =
      ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(needed > 0 ? needed : 1), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, narrow.data(), needed, nullptr, nullptr);
  narrow.pop_back();
  return narrow;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fputs("usage: read_message_box.exe CAPTION [SECONDS]\n", stderr);
    return 2;
  }
  const double seconds = argc > 2 ? std::wcstod(argv[2], nullptr) : 20.0;
  Search search{argv[1]};
  const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  for (;;) {
    ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    if (search.Found != nullptr || ::GetTickCount64() >= deadline)
      break;
    ::Sleep(50);
  }
  if (search.Found == nullptr) {
    std::fputs("no such box\n", stderr);
    return 1;
  }
  HWND owner = ::GetWindow(search.Found, GW_OWNER);
  std::printf("caption: %s\ntext: %s\nowner: %s\n", Utf8(TextOf(search.Found)).c_str(),
              Utf8(TextOf(::GetDlgItem(search.Found, kMessageText))).c_str(),
              owner != nullptr ? Utf8(TextOf(owner)).c_str() : "");
  return 0;
}
