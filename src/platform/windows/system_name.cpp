#include "platform/windows/system_name.h"

#include <windows.h>

#include <array>
#include <cwctype>

// The long-path rule belongs to the file stream's interface; the Windows layer is where it is
// applied.
#include "cipher/wide_file_stream.h"
#include "platform/windows/name_text.h"

namespace ostrel::windows {
namespace {

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

bool HasPrefix(std::wstring_view name) {
  return name.size() >= 4 && IsSeparator(name[0]) && IsSeparator(name[1]) &&
         (name[2] == L'?' || name[2] == L'.') && IsSeparator(name[3]);
}

// The names the system keeps for devices in every directory, with any extension.
bool IsDeviceName(std::wstring_view component) {
  std::wstring base(component.substr(0, component.find(L'.')));
  while (!base.empty() && base.back() == L' ')
    base.pop_back();
  for (wchar_t& c : base)
    c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  static constexpr std::array<std::wstring_view, 6> kFixed = {L"CON", L"PRN",    L"AUX",
                                                              L"NUL", L"CONIN$", L"CONOUT$"};
  for (const std::wstring_view device : kFixed) {
    if (base == device)
      return true;
  }
  // COM1..COM9 and LPT1..LPT9, also with the superscript digits the system counts as digits.
  if (base.size() == 4 && (base.starts_with(L"COM") || base.starts_with(L"LPT"))) {
    const wchar_t digit = base[3];
    return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
           digit == L'\u00B3';
  }
  return false;
}

// A component the system would take for another name.
bool IsChangedBySystem(std::wstring_view component) {
  if (component.empty() || component == L"." || component == L"..")
    return false;
  return component.back() == L'.' || component.back() == L' ' || IsDeviceName(component);
}

bool HasChangedComponent(std::wstring_view name) {
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsSeparator(name[end]))
      ++end;
    std::wstring_view component = name.substr(start, end - start);
    // "C:a" names "a" in drive C's current directory.
    if (start == 0 && component.size() >= 2 && component[1] == L':')
      component.remove_prefix(2);
    if (IsChangedBySystem(component))
      return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

std::wstring FullSystemPath(std::wstring_view name) {
  const std::wstring terminated(name);
  DWORD size = ::GetFullPathNameW(terminated.c_str(), 0, nullptr, nullptr);
  while (size > 0) {
    std::wstring full(size, L'\0');
    const DWORD length = ::GetFullPathNameW(terminated.c_str(), size, full.data(), nullptr);
    if (length < size) {
      full.resize(length);
      return full;
    }
    size = length;  // the current directory grew meanwhile
  }
  return {};
}

SystemName SystemNameOf(std::string_view name) {
  if (name.find('\0') != std::string_view::npos)
    return {{}, ERROR_INVALID_NAME};
  const std::wstring wide = WidenName(name);
  if (wide.empty())
    return {{}, ERROR_PATH_NOT_FOUND};
  if (HasPrefix(wide))
    return {wide, 0};
  if (HasChangedComponent(wide))
    return {{}, ERROR_INVALID_NAME};
  const std::wstring full = FullSystemPath(wide);
  if (full.empty())
    return {{}, static_cast<int>(::GetLastError())};
  const std::u16string prefixed = LongPathName(
      std::u16string_view(reinterpret_cast<const char16_t*>(full.data()), full.size()));
  return {std::wstring(reinterpret_cast<const wchar_t*>(prefixed.data()), prefixed.size()), 0};
}

}  // namespace ostrel::windows
