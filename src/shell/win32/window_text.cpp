#include "shell/win32/window_text.h"

#include "errors/exceptions.h"
#include "platform/error_text.h"
#include "platform/full_path.h"
#include "platform/process_arguments.h"
#include "platform/text_conversion.h"
#include "platform/windows/ansi_text.h"

namespace ostrel::win32 {

std::wstring WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0)
    return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

std::string PathFromField(std::wstring_view text) {
  std::optional<std::string> narrow = windows::NarrowAnsiExactly(text);
  if (!narrow) {
    // Refused as the file it names, as the command line refuses such a name.
    const std::u16string wide(text.begin(), text.end());
    throw EFOpenError("Cannot open file \"" + FullPathName(NarrowSystemText(wide)) + "\". " +
                      SystemErrorText(kNameOutsideCodePage));
  }
  return std::move(*narrow);
}

std::string PassphraseFromField(std::wstring_view text) {
  return windows::NarrowAnsiBestFit(text);
}

std::wstring ScreenText(std::string_view text) {
  return windows::WidenAnsi(text);
}

}  // namespace ostrel::win32
