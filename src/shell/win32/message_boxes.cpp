#include "shell/win32/message_boxes.h"

#include <algorithm>
#include <string>

#include "shell/message_wrap.h"
#include "shell/win32/window_text.h"

namespace ostrel::win32 {
namespace {

// The box's text column: at most this wide at 96 dots per inch, less on a screen too narrow for it
// beside the icon and the margins. The system's box breaks lines itself where they are wider than
// its own column, which may be narrower than the screen allows, and it breaks a path anywhere: so
// lines are kept within a width that every box takes whole.
constexpr int kTextWidth = 300;
constexpr int kIconAndMargins = 2 * 14 + 32 + 12 + 16;

// The text in lines that keep the box within the screen: the system breaks lines at blanks only,
// so a long path would otherwise make a box wider than the screen.
std::wstring FittedText(const std::wstring& text) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    return text;
  HDC screen = ::GetDC(nullptr);
  HFONT font = ::CreateFontIndirectW(&metrics.lfMessageFont);
  const HGDIOBJ previous = ::SelectObject(screen, font);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  const int room = ::GetSystemMetrics(SM_CXSCREEN) - ::MulDiv(kIconAndMargins, dpi, 96);
  const int maxWidth =
      std::max(::MulDiv(60, dpi, 96), std::min(::MulDiv(kTextWidth, dpi, 96), room));
  std::wstring fitted = WrappedMessage(text, maxWidth, [screen](std::wstring_view piece) {
    SIZE size{};
    ::GetTextExtentPoint32W(screen, piece.data(), static_cast<int>(piece.size()), &size);
    return static_cast<int>(size.cx);
  });
  ::SelectObject(screen, previous);
  ::DeleteObject(font);
  ::ReleaseDC(nullptr, screen);
  return fitted;
}

// The window in front (a progress window, or the dialog), so that the box is modal to it; none
// before the dialog opens.
HWND Owner() {
  return ::GetActiveWindow();
}

void Show(const std::string& caption, const std::string& text, UINT icon) {
  (void)::MessageBoxW(Owner(), FittedText(ScreenText(text)).c_str(), ScreenText(caption).c_str(),
                      MB_OK | icon);
}

}  // namespace

void MessageBoxes::ShowNote(const std::string& text) {
  Show("NOTE", text, MB_ICONWARNING);
}

void MessageBoxes::ShowError(const std::string& caption, const std::string& text) {
  Show(caption, text, MB_ICONSTOP);
}

}  // namespace ostrel::win32
