#include "platform/code_page_conversion.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <vector>

namespace ostrel {
namespace {

std::string SourceEncoding() {
  // The locale of the environment, read without changing the process's own.
  const locale_t environment = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  std::string encoding = "UTF-8";
  if (environment != static_cast<locale_t>(nullptr)) {
    const char* const name = ::nl_langinfo_l(CODESET, environment);
    if (name != nullptr && *name != '\0' && std::strcmp(name, "ANSI_X3.4-1968") != 0)
      encoding = name;
    ::freelocale(environment);
  }
  return encoding;
}

}  // namespace

CodePageResult ConvertToCodePage(std::string_view text, const std::string& codePage,
                                 std::string& converted) {
  const iconv_t converter = ::iconv_open(codePage.c_str(), SourceEncoding().c_str());
  // iconv_open reports failure as the handle (iconv_t)-1.
  if (converter == reinterpret_cast<iconv_t>(-1))  // NOLINT(performance-no-int-to-ptr)
    return CodePageResult::UnknownCodePage;
  // An 8-bit code page never needs more bytes than the text has; a few spare for shift states.
  std::vector<char> input(text.begin(), text.end());
  std::vector<char> output(text.size() * 4 + 16);
  char* in = input.data();
  size_t inLeft = input.size();
  char* out = output.data();
  size_t outLeft = output.size();
  CodePageResult result = CodePageResult::Converted;
  if (::iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1) ||
      ::iconv(converter, nullptr, nullptr, &out, &outLeft) == static_cast<size_t>(-1)) {
    result = errno == EILSEQ ? CodePageResult::MissingCharacter : CodePageResult::InvalidInput;
  }
  ::iconv_close(converter);
  if (result == CodePageResult::Converted)
    converted.append(output.data(), output.size() - outLeft);
  ::explicit_bzero(input.data(), input.size());
  ::explicit_bzero(output.data(), output.size());
  return result;
}

}  // namespace ostrel
