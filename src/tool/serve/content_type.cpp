#include "tool/serve/content_type.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace ostrel {

std::string ContentTypeOf(std::string_view fileName) {
  // HTML and SVG would run their scripts in the page's origin, where the token lives: they are
  // served as text, which shows them without running them.
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 24> kTypes{{
      {"txt", "text/plain; charset=utf-8"},
      {"log", "text/plain; charset=utf-8"},
      {"md", "text/plain; charset=utf-8"},
      {"csv", "text/plain; charset=utf-8"},
      {"html", "text/plain; charset=utf-8"},
      {"htm", "text/plain; charset=utf-8"},
      {"svg", "text/plain; charset=utf-8"},
      {"xml", "text/plain; charset=utf-8"},
      {"json", "text/plain; charset=utf-8"},
      {"pdf", "application/pdf"},
      {"png", "image/png"},
      {"jpg", "image/jpeg"},
      {"jpeg", "image/jpeg"},
      {"gif", "image/gif"},
      {"webp", "image/webp"},
      {"bmp", "image/bmp"},
      {"mp4", "video/mp4"},
      {"m4v", "video/mp4"},
      {"webm", "video/webm"},
      {"ogv", "video/ogg"},
      {"mp3", "audio/mpeg"},
      {"ogg", "audio/ogg"},
      {"wav", "audio/wav"},
      {"flac", "audio/flac"},
  }};
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos)
    return "application/octet-stream";
  std::string extension(fileName.substr(dot + 1));
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const auto& [known, type] : kTypes) {
    if (extension == known)
      return std::string(type);
  }
  return "application/octet-stream";
}

}  // namespace ostrel
