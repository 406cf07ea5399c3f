#include "tool/serve/content_disposition.h"

#include "tool/serve/request_target.h"

namespace ostrel {

std::string AttachmentDisposition(std::string_view fileName) {
  std::string ascii;
  for (const char c : fileName) {
    const auto byte = static_cast<unsigned char>(c);
    // A quoted string cannot hold controls, and quotes and backslashes would need escapes that
    // some clients misread: all of them become "_" in the fallback only.
    ascii.push_back(byte < 0x20 || byte >= 0x7F || c == '"' || c == '\\' ? '_' : c);
  }
  return "attachment; filename=\"" + ascii + "\"; filename*=UTF-8''" + EncodedSegment(fileName);
}

}  // namespace ostrel
