#include "platform/environment_text.h"

#include <windows.h>

#include <vector>

#include "platform/windows/name_text.h"
#include "platform/windows/secret_text.h"
#include "secret/secure_wipe.h"

namespace ostrel {

EnvironmentText ReadEnvironmentVariable(const std::string& name, std::string& value) {
  const std::wstring wideName = windows::WidenName(name);
  // The environment is UTF-16; read it as such, not as the run-time library's narrowed copy.
  ::SetLastError(0);
  const DWORD size = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (size == 0)
    return ::GetLastError() == ERROR_ENVVAR_NOT_FOUND ? EnvironmentText::Missing
                                                      : EnvironmentText::Exact;
  std::vector<wchar_t> wide(size);
  const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), wide.data(), size);
  EnvironmentText result = EnvironmentText::Missing;
  if (length > 0 && length < size) {
    result = windows::AppendSecretInCodePage(std::wstring_view(wide.data(), length), value)
                 ? EnvironmentText::Exact
                 : EnvironmentText::Approximated;
  } else if (length == 0) {
    result = EnvironmentText::Exact;  // emptied meanwhile
  }
  SecureWipe(wide.data(), wide.size() * sizeof(wchar_t));
  return result;
}

}  // namespace ostrel
