#include "platform/code_page_conversion.h"

#include <windows.h>

#include <cctype>
#include <string>

#include "secret/secure_wipe.h"

namespace ostrel {
namespace {

// "cp1252", "CP850", "windows-1252" or just "1252": the number the system knows the page by.
UINT CodePageNumber(const std::string& name) {
  std::size_t start = name.size();
  while (start > 0 && std::isdigit(static_cast<unsigned char>(name[start - 1])) != 0)
    --start;
  if (start == name.size() || name.size() - start > 5)
    return 0;
  std::string prefix = name.substr(0, start);
  for (char& c : prefix)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (!prefix.empty() && prefix != "cp" && prefix != "windows-" && prefix != "ibm")
    return 0;
  const unsigned long number = std::stoul(name.substr(start));
  return number <= 65535 ? static_cast<UINT>(number) : 0;
}

// Pages of several bytes a character, and those the system converts only without flags.
bool TakesNoFlags(UINT codePage) {
  return codePage == CP_UTF7 || codePage == CP_UTF8 || codePage == 42 ||
         (codePage >= 50220 && codePage <= 50229) || codePage == 52936 || codePage == 54936 ||
         (codePage >= 57002 && codePage <= 57011);
}

}  // namespace

CodePageResult ConvertToCodePage(std::string_view text, const std::string& codePage,
                                 std::string& converted) {
  const UINT target = CodePageNumber(codePage);
  if (target == 0 || ::IsValidCodePage(target) == 0)
    return CodePageResult::UnknownCodePage;
  if (text.empty())
    return CodePageResult::Converted;
  // The text is in this system's code page; through UTF-16 into the other machine's.
  const int size = static_cast<int>(text.size());
  const int wideLength =
      ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (wideLength <= 0)
    return CodePageResult::InvalidInput;
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), wideLength);
  // Nothing is approximated: a character the page lacks is an error, never a look-alike.
  const bool plain = TakesNoFlags(target);
  BOOL usedDefault = FALSE;
  const int length =
      ::WideCharToMultiByte(target, plain ? 0 : WC_NO_BEST_FIT_CHARS, wide.data(), wideLength,
                            nullptr, 0, nullptr, plain ? nullptr : &usedDefault);
  CodePageResult result = CodePageResult::Converted;
  std::string output;
  if (length <= 0 || usedDefault) {
    result = CodePageResult::MissingCharacter;
  } else {
    output.assign(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(target, plain ? 0 : WC_NO_BEST_FIT_CHARS, wide.data(), wideLength,
                          output.data(), length, nullptr, plain ? nullptr : &usedDefault);
    if (usedDefault)
      result = CodePageResult::MissingCharacter;
    else
      converted.append(output);
  }
  SecureWipe(wide.data(), wide.size() * sizeof(wchar_t));
  SecureWipe(output.data(), output.size());
  return result;
}

}  // namespace ostrel
