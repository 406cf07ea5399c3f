#include "shell/error_report.h"

#include <new>

#include <cctype>
#include <cstdint>
#include <cstdio>

namespace ostrel {

std::string CommandLineErrorText(const Exception& error, std::string_view moduleName) {
  const std::string& message = error.Message();
  const bool needsStop = !message.empty() && message.back() != '.';
  char location[9];
  // Eight hexadecimal digits of an unsigned int always fit.
  (void)std::snprintf(location, sizeof location, "%08X",
                      static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(error.RaisedAt())));
  return std::string("Exception ") + error.ClassName() + " in module " + std::string(moduleName) +
         " at " + location + ".\r\n" + message + (needsStop ? "." : "") + "\r\n";
}

std::string DialogErrorText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
    text += '.';
  return text;
}

std::string ApplicationTitle(std::string_view executableFileName) {
  std::string title(executableFileName.substr(0, executableFileName.find('.')));
  for (std::size_t i = 1; i < title.size(); ++i) {
    title[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(title[i])));
  }
  return title;
}

std::optional<std::string> RequestErrorMessage(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const Exception& exception) {
    return exception.Message();
  } catch (const std::bad_alloc&) {
    return "Out of memory";
  } catch (const std::exception& exception) {
    return exception.what();
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace ostrel
