#include "shell/win32/progress_window.h"

#include <commctrl.h>

#include "shell/watched_request.h"
#include "shell/win32/window_text.h"

namespace ostrel::win32 {
namespace {

constexpr wchar_t kClassName[] = L"OstrelProgressWindow";
constexpr UINT_PTR kTick = 1;
constexpr UINT kTickMilliseconds = 100;
constexpr int kBarSteps = 1000;
// Not IDCANCEL: Escape sends that, and only the button may stop a request.
constexpr int kCancelButton = 200;

struct ProgressState {
  const RequestProgress& Progress;
  BackgroundRequest& Request;
  StopSwitch& Stop;
  UserMessages& Messages;
  HWND Bar = nullptr;
  HWND Amount = nullptr;
  HWND Cancel = nullptr;
  bool Finished = false;
};

void ShowProgress(const ProgressState& state) {
  const int perMille = state.Progress.PerMille();
  ::SendMessageW(state.Bar, PBM_SETPOS, static_cast<WPARAM>(perMille < 0 ? 0 : perMille), 0);
  ::SetWindowTextW(state.Amount, ScreenText(state.Progress.AmountText()).c_str());
}

LRESULT CALLBACK ProgressProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<ProgressState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_TIMER:
      ::KillTimer(window, kTick);
      if (ServeRequest(state->Request, state->Messages)) {
        state->Finished = true;
        return 0;
      }
      ShowProgress(*state);
      ::SetTimer(window, kTick, kTickMilliseconds, nullptr);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kCancelButton && HIWORD(wParam) == BN_CLICKED) {
        state->Stop.Stop();
        // Pressed once is enough; the window closes when the request has ended.
        ::EnableWindow(state->Cancel, FALSE);
      }
      return 0;
    case WM_CLOSE:
      return 0;  // nothing ends the window but the end of the request
    case WM_CTLCOLORSTATIC:
      ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_BTNFACE));
      ::SetTextColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

void RegisterProgressClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = ProgressProcedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  (void)::RegisterClassExW(&windowClass);  // fails only when already registered
}

HWND Child(HWND parent, const wchar_t* windowClass, const std::wstring& text, DWORD style, int id,
           RECT place, HFONT font) {
  HWND child = ::CreateWindowExW(
      0, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, place.left, place.top,
      place.right - place.left, place.bottom - place.top, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
  ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  return child;
}

}  // namespace

void ShowProgressWindow(HWND owner, HFONT font, const std::wstring& caption,
                        const std::wstring& subject, const RequestProgress& progress,
                        BackgroundRequest& request, StopSwitch& stop, UserMessages& messages) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
  RegisterProgressClass(instance);

  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  const auto scale = [dpi](int pixels) { return ::MulDiv(pixels, dpi, 96); };

  // A caption without a close box: the title bar may be hidden or far away, so the window also
  // says itself what it is doing.
  const DWORD style = WS_POPUP | WS_CAPTION;
  RECT frame{0, 0, scale(388), scale(140)};
  ::AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
  RECT ownerPlace{};
  ::GetWindowRect(owner, &ownerPlace);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  HWND window = ::CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, caption.c_str(), style,
                                  (ownerPlace.left + ownerPlace.right - width) / 2,
                                  (ownerPlace.top + ownerPlace.bottom - height) / 2, width, height,
                                  owner, nullptr, instance, nullptr);
  ProgressState state{progress, request, stop, messages};
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));

  Child(window, L"STATIC", caption + L" " + subject, SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, -1,
        {scale(14), scale(14), scale(374), scale(30)}, font);
  state.Bar = Child(window, PROGRESS_CLASSW, L"", 0, -1,
                    {scale(14), scale(38), scale(374), scale(56)}, font);
  ::SendMessageW(state.Bar, PBM_SETRANGE32, 0, kBarSteps);
  state.Amount = Child(window, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, -1,
                       {scale(14), scale(68), scale(374), scale(84)}, font);
  state.Cancel = Child(window, L"BUTTON", L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, kCancelButton,
                       {scale(156), scale(100), scale(232), scale(125)}, font);
  ShowProgress(state);

  // Modal to the dialog: the dialog takes no input until the request has ended.
  HWND focus = ::GetFocus();
  ::EnableWindow(owner, FALSE);
  ::ShowWindow(window, SW_SHOW);
  ::SetFocus(state.Cancel);
  ::SetTimer(window, kTick, kTickMilliseconds, nullptr);
  MSG message;
  while (!state.Finished && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!::IsDialogMessageW(window, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  // The owner first, so that it becomes the active window again when this one goes.
  ::EnableWindow(owner, TRUE);
  ::DestroyWindow(window);
  if (focus != nullptr)
    ::SetFocus(focus);
}

}  // namespace ostrel::win32
