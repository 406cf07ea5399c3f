#include "tool/serve/request_target.h"

#include <optional>

namespace ostrel {
namespace {

std::optional<int> HexValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return std::nullopt;
}

// The decoded segment, or nothing when it must be refused.
std::optional<std::string> DecodedSegment(std::string_view raw) {
  std::string decoded;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (c == '%') {
      if (i + 2 >= raw.size())
        return std::nullopt;
      const std::optional<int> high = HexValue(raw[i + 1]);
      const std::optional<int> low = HexValue(raw[i + 2]);
      if (!high || !low)
        return std::nullopt;
      c = static_cast<char>(*high * 16 + *low);
      i += 2;
    }
    if (c == '\0' || c == '/')
      return std::nullopt;
    decoded.push_back(c);
  }
  if (decoded == "." || decoded == "..")
    return std::nullopt;
  return decoded;
}

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

}  // namespace

RequestTarget ParseRequestTarget(std::string_view target, const AccessToken& token) {
  RequestTarget parsed;
  const std::size_t fragment = target.find('#');
  if (fragment != std::string_view::npos)
    target = target.substr(0, fragment);
  const std::size_t query = target.find('?');
  if (query != std::string_view::npos) {
    parsed.Query = target.substr(query + 1);
    target = target.substr(0, query);
  }
  if (!target.starts_with('/'))
    return parsed;
  target.remove_prefix(1);
  const std::size_t tokenEnd = target.find('/');
  if (!token.Matches(target.substr(0, tokenEnd))) {
    parsed.Outcome = RequestTarget::Verdict::kNoToken;
    return parsed;
  }
  std::string_view rest =
      tokenEnd == std::string_view::npos ? std::string_view() : target.substr(tokenEnd);
  parsed.TrailingSlash = rest.empty() || rest.ends_with('/');
  std::string path;
  while (!rest.empty()) {
    rest.remove_prefix(1);  // the "/"
    const std::size_t end = rest.find('/');
    const std::string_view raw = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
    if (raw.empty())
      continue;  // "//": clients that join paths carelessly mean one "/"
    const std::optional<std::string> segment = DecodedSegment(raw);
    if (!segment)
      return parsed;
    path += '/';
    path += *segment;
  }
  parsed.TreePath = path.empty() ? "/" : path;
  parsed.Outcome = RequestTarget::Verdict::kPath;
  return parsed;
}

FileQuery ParseFileQuery(std::string_view query) {
  FileQuery parsed;
  while (!query.empty()) {
    const std::size_t end = query.find('&');
    const std::string_view part = query.substr(0, end);
    query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
    if (part == "download") {
      parsed.Download = true;
    } else if (part == "versions") {
      parsed.Versions = true;
    } else if (part.starts_with("version=")) {
      const std::optional<std::string> name = DecodedSegment(part.substr(8));
      if (!name || name->empty())
        parsed.Valid = false;
      else
        parsed.Version = *name;
    }
  }
  return parsed;
}

std::string EncodedSegment(std::string_view segment) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char c : segment) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsUnreserved(byte)) {
      encoded.push_back(c);
    } else {
      encoded.push_back('%');
      encoded.push_back(kDigits[byte >> 4]);
      encoded.push_back(kDigits[byte & 15]);
    }
  }
  return encoded;
}

std::string EncodedUrlPath(const AccessToken& token, std::string_view treePath, bool directory) {
  std::string url(1, '/');
  url += token.Text();
  std::string_view rest = treePath;
  while (!rest.empty()) {
    const std::size_t end = rest.find('/');
    const std::string_view segment = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!segment.empty()) {
      url += '/';
      url += EncodedSegment(segment);
    }
  }
  if (directory || url.size() == token.Text().size() + 1)
    url += '/';
  return url;
}

}  // namespace ostrel
