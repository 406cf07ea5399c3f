#include "shell/dialog/toolkit_text.h"

#include <wx/intl.h>
#include <wx/strconv.h>

#include "errors/exceptions.h"

namespace ostrel {
namespace {

// The locale's encoding, in which command-line arguments arrive; UTF-8 where the locale names
// plain ASCII (the "C" locale), as everywhere in this system.
const wxMBConv& LocaleEncoding() {
  static const wxCSConv conversion = [] {
    const wxString name = wxLocale::GetSystemEncodingName().Upper();
    return wxCSConv(name.empty() || name == "ANSI_X3.4-1968" || name == "US-ASCII" ? "UTF-8"
                                                                                   : name);
  }();
  return conversion;
}

std::string Bytes(const wxScopedCharBuffer& buffer) {
  return std::string(buffer.data(), buffer.length());
}

}  // namespace

std::string PathFromToolkit(const wxString& text) {
  const wxScopedCharBuffer bytes = text.mb_str(LocaleEncoding());
  if (bytes.length() != 0 || text.empty())
    return Bytes(bytes);
  // A name that came from the file dialog with bytes the locale does not use: back to those bytes.
  const wxScopedCharBuffer name = text.mb_str(*wxConvFileName);
  if (name.length() != 0)
    return Bytes(name);
  // Typed, and not expressible as a name at all: keep what was typed; the open error names it.
  return Bytes(text.utf8_str());
}

std::string PassphraseFromToolkit(const wxString& text) {
  const wxScopedCharBuffer bytes = text.mb_str(LocaleEncoding());
  if (bytes.length() == 0 && !text.empty())
    throw Exception("The pass phrase holds a character that the system code page lacks");
  return Bytes(bytes);
}

wxString ToolkitText(std::string_view text) {
  const std::string bytes(text);
  wxString converted = wxString(bytes.data(), LocaleEncoding(), bytes.size());
  if (converted.empty() && !bytes.empty())
    converted = wxString::FromUTF8(bytes.data(), bytes.size());
  if (converted.empty() && !bytes.empty())
    converted = wxString(bytes.data(), *wxConvFileName, bytes.size());
  if (converted.empty() && !bytes.empty())
    converted = wxString(bytes.data(), wxConvISO8859_1, bytes.size());
  return converted;
}

}  // namespace ostrel
