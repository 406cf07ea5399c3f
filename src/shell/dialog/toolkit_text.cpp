#include "shell/dialog/toolkit_text.h"

#include <wx/strconv.h>

namespace ostrel {

std::string PathFromToolkit(const wxString& text) {
  const wxScopedCharBuffer bytes = text.mb_str(*wxConvFileName);
  // A name the file-name conversion cannot express was typed, not chosen: keep what was typed.
  if (bytes.length() == 0 && !text.empty())
    return PassphraseFromToolkit(text);
  return std::string(bytes.data(), bytes.length());
}

std::string PassphraseFromToolkit(const wxString& text) {
  const wxScopedCharBuffer bytes = text.utf8_str();
  return std::string(bytes.data(), bytes.length());
}

wxString ToolkitText(std::string_view text) {
  const std::string bytes(text);
  wxString converted = wxString::FromUTF8(bytes.data(), bytes.size());
  if (converted.empty() && !bytes.empty())
    converted = wxString(bytes.data(), *wxConvFileName, bytes.size());
  if (converted.empty() && !bytes.empty())
    converted = wxString(bytes.data(), wxConvISO8859_1, bytes.size());
  return converted;
}

}  // namespace ostrel
