#include "platform/windows/secret_text.h"

#include <windows.h>

#include <vector>

#include "secret/secure_wipe.h"

namespace ostrel::windows {

bool AppendSecretInCodePage(std::wstring_view secret, std::string& text) {
  if (secret.empty())
    return true;
  const int size = static_cast<int>(secret.size());
  const int length =
      ::WideCharToMultiByte(CP_ACP, 0, secret.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0)
    return false;
  std::vector<char> narrow(static_cast<std::size_t>(length));
  ::WideCharToMultiByte(CP_ACP, 0, secret.data(), size, narrow.data(), length, nullptr, nullptr);
  // Exact when the code page's text widens back to what was given.
  std::vector<wchar_t> back(secret.size() + 1);
  const int backLength = ::MultiByteToWideChar(CP_ACP, 0, narrow.data(), length, back.data(),
                                               static_cast<int>(back.size()));
  const bool exact = backLength == size && std::wstring_view(back.data(), secret.size()) == secret;
  text.append(narrow.data(), narrow.size());
  SecureWipe(narrow.data(), narrow.size());
  SecureWipe(back.data(), back.size() * sizeof(wchar_t));
  return exact;
}

}  // namespace ostrel::windows
