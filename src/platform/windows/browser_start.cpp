// Windows layer of the browser start: the shell opens the address with the program the user chose
// for web addresses. The shell answers at once, so every failure is known before this returns.
#include "platform/browser_start.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <stdexcept>

#include "platform/error_text.h"
#include "platform/utf8_text.h"

namespace ostrel {
namespace {

// The shell's reason when the system kept no error code: its own small codes.
std::string ShellFailure(INT_PTR code) {
  switch (code) {
    case SE_ERR_NOASSOC:
      return "no program is set to open web addresses";
    case SE_ERR_ASSOCINCOMPLETE:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDEBUSY:
    case SE_ERR_DDETIMEOUT:
      return "the program set to open web addresses did not take the address";
    default:
      return "the shell refused with code " + std::to_string(code);
  }
}

}  // namespace

void StartBrowser(const std::string& address, BrowserFailure /*failed*/) {
  const std::u16string wide = WidenUtf8(address, LoneSurrogates::kThreeByteForms);
  // The shell may hand the address to extensions that expect COM on the calling thread.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const HINSTANCE result =
      ::ShellExecuteW(nullptr, L"open", reinterpret_cast<const wchar_t*>(wide.c_str()), nullptr,
                      nullptr, SW_SHOWNORMAL);
  const DWORD error = ::GetLastError();
  if (SUCCEEDED(com))
    ::CoUninitialize();
  const auto code = reinterpret_cast<INT_PTR>(result);
  // Values above 32 mean the shell started it.
  if (code > 32)
    return;
  throw std::runtime_error(
      "the shell cannot open the address: " +
      (error != 0 ? SystemErrorText(static_cast<int>(error)) : ShellFailure(code)));
}

}  // namespace ostrel
