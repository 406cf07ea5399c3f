#include "platform/error_text.h"

#include "platform/file_handle.h"

#include <algorithm>
#include <cstring>

namespace ostrel {
namespace {

// strerror_r comes in two shapes, and the C library decides which one this build sees.
[[maybe_unused]] const char* TextOf(const char* gnuResult, const char* /*buffer*/) {
  return gnuResult;
}
[[maybe_unused]] const char* TextOf(int xsiResult, const char* buffer) {
  return xsiResult == 0 ? buffer : "";
}

bool IsBlank(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

}  // namespace

std::string SystemErrorText(int error) {
  if (error == kSymbolicLinkAtName)
    return "The name is a symbolic link, which is left alone.";
  char buffer[256] = {};
  std::string text = TextOf(::strerror_r(error, buffer, sizeof buffer), buffer);
  if (IsBlank(text)) {
    text = "Unspecified error (" + std::to_string(error) + ") from system.";
  }
  return text;
}

}  // namespace ostrel
