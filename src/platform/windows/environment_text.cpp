#include "platform/environment_text.h"

#include <windows.h>

#include <vector>

#include "platform/windows/directory_handles.h"
#include "primitives/secure_wipe.h"

namespace ostrel {

EnvironmentText ReadEnvironmentVariable(const std::string& name, std::string& value) {
  std::wstring wideName;
  if (!windows_tool::WidenText(name, wideName))
    return EnvironmentText::Missing;
  // The environment is UTF-16; read it as such, not as the run-time library's narrowed copy.
  ::SetLastError(0);
  const DWORD size = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (size == 0)
    return ::GetLastError() == ERROR_ENVVAR_NOT_FOUND ? EnvironmentText::Missing
                                                      : EnvironmentText::Exact;
  std::vector<wchar_t> wide(size);
  const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), wide.data(), size);
  if (length == 0 || length >= size) {
    SecureWipe(wide.data(), wide.size() * sizeof(wchar_t));
    return length == 0 ? EnvironmentText::Exact : EnvironmentText::Missing;
  }
  EnvironmentText result = EnvironmentText::Exact;
  const int wideLength = static_cast<int>(length);
  // As the system converts it: a character that the code page lacks becomes the nearest one.
  const int narrowLength =
      ::WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(narrowLength > 0 ? narrowLength : 0), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, narrow.data(), narrowLength, nullptr,
                        nullptr);
  // Exact when the code page's text widens back to the variable's.
  std::vector<wchar_t> back(length + 1);
  const int backLength = ::MultiByteToWideChar(CP_ACP, 0, narrow.data(), narrowLength, back.data(),
                                               static_cast<int>(back.size()));
  if (backLength != wideLength ||
      !std::equal(wide.begin(), wide.begin() + wideLength, back.begin()))
    result = EnvironmentText::Approximated;
  value.append(narrow);
  SecureWipe(narrow.data(), narrow.size());
  SecureWipe(wide.data(), wide.size() * sizeof(wchar_t));
  SecureWipe(back.data(), back.size() * sizeof(wchar_t));
  return result;
}

}  // namespace ostrel
