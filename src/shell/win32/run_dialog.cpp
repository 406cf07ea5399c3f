// The main dialog in plain Win32: a file, a pass phrase, and the buttons Decrypt, Encrypt and
// Close. It holds no logic beyond handing its two fields to the requests as they stand.
#include "shell/dialog/run_dialog.h"

#include <windows.h>
// After windows.h, which it needs.
#include <commdlg.h>

#include <algorithm>
#include <cwchar>
#include <exception>
#include <iterator>
#include <optional>
#include <string>

#include "platform/executable_name.h"
#include "shell/dialog_layout.h"
#include "shell/error_report.h"
#include "shell/folder_picture_rows.h"
#include "shell/request_progress.h"
#include "shell/requests.h"
#include "shell/watched_request.h"
#include "shell/win32/message_boxes.h"
#include "shell/win32/progress_window.h"
#include "shell/win32/window_text.h"

namespace ostrel {
namespace {

using win32::ScreenText;
using win32::WindowText;

constexpr wchar_t kClassName[] = L"OstrelDecryptDialog";
constexpr wchar_t kTitle[] = L"Ostrel Decryption/Encryption Utility";

using dialog_layout::kClientArea;
using dialog_layout::Place;

// Identifiers from 100 on: the dialog manager sends 1 (IDOK) for Enter and 2 (IDCANCEL) for
// Escape, and neither may press a button.
enum ControlId : int {
  kLabel1Id = 100,
  kBtLeftPathId,
  kLabel2Id,
  kEdit1Id,
  kButton1Id,
  kButton2Id,
  kEdit2Id,
  kButton3Id,
};

struct Control {
  const wchar_t* Class;
  const wchar_t* Text;
  ControlId Id;
  Place Where;
  DWORD Style;
  DWORD ExtendedStyle;
};

// In creation order, which is the Tab key's order among those with WS_TABSTOP: Edit1, Decrypt,
// Close, Edit2, Encrypt. The labels carry no accelerators (SS_NOPREFIX), and the folder button
// takes no focus: a static control that reports clicks and draws itself.
const Control kControls[] = {
    {L"STATIC", L"File to process:", kLabel1Id, dialog_layout::kLabel1,
     SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0},
    {L"STATIC", L"", kBtLeftPathId, dialog_layout::kBtLeftPath, SS_OWNERDRAW | SS_NOTIFY, 0},
    {L"STATIC", L"Password phrase:", kLabel2Id, dialog_layout::kLabel2,
     SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0},
    {L"EDIT", L"", kEdit1Id, dialog_layout::kEdit1, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {L"BUTTON", L"Decrypt", kButton1Id, dialog_layout::kButton1, WS_TABSTOP | BS_PUSHBUTTON, 0},
    {L"BUTTON", L"Close", kButton2Id, dialog_layout::kButton2, WS_TABSTOP | BS_PUSHBUTTON, 0},
    {L"EDIT", L"", kEdit2Id, dialog_layout::kEdit2, WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD,
     WS_EX_CLIENTEDGE},
    {L"BUTTON", L"Encrypt", kButton3Id, dialog_layout::kButton3, WS_TABSTOP | BS_PUSHBUTTON, 0},
};

class MainDialog {
 public:
  explicit MainDialog(std::string title) : title_(std::move(title)) {}
  ~MainDialog() {
    if (font_ != nullptr)
      ::DeleteObject(font_);
  }
  MainDialog(const MainDialog&) = delete;
  MainDialog& operator=(const MainDialog&) = delete;

  bool Create(HINSTANCE instance);
  int Run();

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  int Scale(int pixels) const { return ::MulDiv(pixels, dpi_, 96); }
  int ControlWidth(const Control& control) const;
  HWND Item(ControlId id) const { return ::GetDlgItem(window_, id); }

  void btLeftPathClick();
  void RunButton(bool encrypt);
  void DrawFolderButton(const DRAWITEMSTRUCT& item) const;

  std::string title_;
  win32::MessageBoxes messages_;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  int dpi_ = 96;
  std::wstring lastChosenFile_;
  bool requestRunning_ = false;
};

bool MainDialog::Create(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
  windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  if (::RegisterClassExW(&windowClass) == 0)
    return false;

  HDC screen = ::GetDC(nullptr);
  dpi_ = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  // Tahoma 8 point: 11 pixels high at 96 dots per inch.
  font_ = ::CreateFontW(-::MulDiv(8, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_SWISS, L"Tahoma");

  // A fixed dialog frame with a close box only, its client area exactly the layout's, centred.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  const DWORD extendedStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT frame{0, 0, Scale(kClientArea.Width), Scale(kClientArea.Height)};
  ::AdjustWindowRectEx(&frame, style, FALSE, extendedStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  window_ = ::CreateWindowExW(extendedStyle, kClassName, kTitle, style,
                              (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                              (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                              nullptr, nullptr, instance, this);
  if (window_ == nullptr)
    return false;
  for (const Control& control : kControls) {
    HWND child = ::CreateWindowExW(
        control.ExtendedStyle, control.Class, control.Text, WS_CHILD | WS_VISIBLE | control.Style,
        Scale(control.Where.Left), Scale(control.Where.Top), ControlWidth(control),
        Scale(control.Where.Height), window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.Id)), instance, nullptr);
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }
  ::SendMessageW(Item(kEdit2Id), EM_SETPASSWORDCHAR, L'*', 0);
  // No length limit of their own: 0 asks for the largest the system allows.
  ::SendMessageW(Item(kEdit1Id), EM_SETLIMITTEXT, 0, 0);
  ::SendMessageW(Item(kEdit2Id), EM_SETLIMITTEXT, 0, 0);
  ::ShowWindow(window_, SW_SHOW);
  ::SetFocus(Item(kEdit1Id));
  return true;
}

// A label is widened to its text where the font is wider than the one the layout was made for,
// but never into the field at its right (both labels have theirs at the same left edge).
int MainDialog::ControlWidth(const Control& control) const {
  const int width = Scale(control.Where.Width);
  if (control.Id != kLabel1Id && control.Id != kLabel2Id)
    return width;
  HDC screen = ::GetDC(nullptr);
  const HGDIOBJ previous = ::SelectObject(screen, font_);
  SIZE needed{};
  ::GetTextExtentPoint32W(screen, control.Text, static_cast<int>(std::wcslen(control.Text)),
                          &needed);
  ::SelectObject(screen, previous);
  ::ReleaseDC(nullptr, screen);
  const int room = Scale(dialog_layout::kEdit1.Left) - Scale(control.Where.Left) - 1;
  return std::clamp(static_cast<int>(needed.cx) + 1, width, room);
}

int MainDialog::Run() {
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    // The dialog manager moves the focus with Tab and presses a focused button with Enter or
    // Space.
    if (!::IsDialogMessageW(window_, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  return 0;
}

LRESULT CALLBACK MainDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* created = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* dialog = static_cast<MainDialog*>(created->lpCreateParams);
    dialog->window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dialog));
  }
  auto* dialog = reinterpret_cast<MainDialog*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (dialog == nullptr)
    return ::DefWindowProcW(window, message, wParam, lParam);
  return dialog->Handle(message, wParam, lParam);
}

LRESULT MainDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id == kBtLeftPathId && code == STN_CLICKED) {
        btLeftPathClick();
      } else if (code == BN_CLICKED && id == kButton1Id) {
        RunButton(false);
      } else if (code == BN_CLICKED && id == kButton3Id) {
        RunButton(true);
      } else if (code == BN_CLICKED && id == kButton2Id) {
        ::SendMessageW(window_, WM_CLOSE, 0, 0);
      }
      return 0;  // IDOK (Enter) and IDCANCEL (Escape) do nothing
    }
    case WM_CLOSE:
      // A request always runs to its end, and the dialog cannot go away under it.
      if (!requestRunning_)
        ::DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    case WM_CTLCOLORSTATIC:
      ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_BTNFACE));
      ::SetTextColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    case WM_DRAWITEM:
      DrawFolderButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    default:
      return ::DefWindowProcW(window_, message, wParam, lParam);
  }
}

// The folder picture, centred on the button face, one square of the scale per picture pixel.
void MainDialog::DrawFolderButton(const DRAWITEMSTRUCT& item) const {
  ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
  const int unit = Scale(1);
  const int left = (item.rcItem.right - item.rcItem.left - kFolderPictureWidth * unit) / 2;
  const int top = (item.rcItem.bottom - item.rcItem.top - kFolderPictureHeight * unit) / 2;
  for (int y = 0; y < kFolderPictureHeight; ++y) {
    for (int x = 0; x < kFolderPictureWidth; ++x) {
      for (const FolderPictureColour& colour : kFolderPictureColours) {
        if (colour.Letter != kFolderPictureRows[y][x])
          continue;
        const COLORREF rgb =
            RGB((colour.Rgb >> 16) & 0xFF, (colour.Rgb >> 8) & 0xFF, colour.Rgb & 0xFF);
        HBRUSH brush = ::CreateSolidBrush(rgb);
        const RECT square{left + x * unit, top + y * unit, left + (x + 1) * unit,
                          top + (y + 1) * unit};
        ::FillRect(item.hDC, &square, brush);
        ::DeleteObject(brush);
      }
    }
  }
}

void MainDialog::btLeftPathClick() {
  // The open dialog starts on the file chosen last in this run.
  std::wstring file = lastChosenFile_;
  file.resize(32768, L'\0');
  OPENFILENAMEW open{};
  open.lStructSize = sizeof open;
  open.hwndOwner = window_;
  open.lpstrFile = file.data();
  open.nMaxFile = static_cast<DWORD>(file.size());
  open.Flags = OFN_EXPLORER;
  if (!::GetOpenFileNameW(&open))
    return;
  lastChosenFile_ = file.c_str();
  ::SetWindowTextW(Item(kEdit1Id), lastChosenFile_.c_str());
}

void MainDialog::RunButton(bool encrypt) {
  const std::wstring pathField = WindowText(Item(kEdit1Id));
  std::optional<std::string> message;
  try {
    const std::string path = win32::PathFromField(pathField);
    const std::string passphrase = win32::PassphraseFromField(WindowText(Item(kEdit2Id)));
    const RequestProgress progress =
        encrypt ? RequestProgress::ForEncrypt(path) : RequestProgress::ForDecrypt(path);
    requestRunning_ = true;
    RunWatchedRequest(
        [&](UserMessages& messages, const StopSwitch& stop) {
          if (encrypt) {
            EncryptRequest(path, passphrase, messages, stop);
          } else {
            DecryptRequest(path, passphrase, messages, &stop);
          }
        },
        messages_,
        [&](BackgroundRequest& request, StopSwitch& stop) {
          win32::ShowProgressWindow(window_, font_, encrypt ? L"Encrypting" : L"Decrypting",
                                    pathField, progress, request, stop, messages_);
        });
  } catch (...) {
    message = RequestErrorMessage(std::current_exception());
    if (!message)
      throw;
  }
  requestRunning_ = false;
  // An error that ends a request is shown as the application's; the fields stay as they are.
  if (message)
    messages_.ShowError(title_, DialogErrorText(*message));
}

}  // namespace

int RunDialog(int argc, char** argv) {
  const std::string program = ExecutableFileName(argc > 0 ? argv[0] : "ostrel-decrypt");
  MainDialog dialog(ApplicationTitle(program));
  if (!dialog.Create(::GetModuleHandleW(nullptr)))
    return 2;
  return dialog.Run();
}

}  // namespace ostrel
