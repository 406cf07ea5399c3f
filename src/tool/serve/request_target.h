// The path of a request, taken apart: the access token in its first segment, then the path below
// the served tree, percent-decoded segment by segment (RFC 3986). A segment that decodes to "." or
// "..", holds a NUL or a "/", or has a broken escape is refused as a whole, never cleaned up: a
// request that tries to climb out of the tree is an attack or a bug, and neither should be guessed
// at.
#pragma once

#include <string>
#include <string_view>

#include "tool/serve/access_token.h"

namespace ostrel {

struct RequestTarget {
  enum class Verdict { kPath, kNoToken, kBadPath };
  Verdict Outcome = Verdict::kBadPath;
  std::string TreePath;  // "/"-separated, "/" for the root; with kPath only
  bool TrailingSlash = false;
  std::string Query;  // after "?", as sent
};

// What a query asks of a file: "download" (as an attachment), "versions" (the page of its copies),
// "version=NAME" (that copy instead of the current one), joined by "&".
struct FileQuery {
  bool Download = false;
  bool Versions = false;
  std::string Version;  // decoded; empty when not asked
  bool Valid = true;    // false when the version's name could not be decoded
};

FileQuery ParseFileQuery(std::string_view query);

RequestTarget ParseRequestTarget(std::string_view target, const AccessToken& token);

// The URL path of a tree path below the token: every byte but the unreserved ones escaped, so that
// any name a file system holds travels intact. directory adds the trailing "/" that collections
// carry.
std::string EncodedUrlPath(const AccessToken& token, std::string_view treePath, bool directory);

// One segment escaped as above.
std::string EncodedSegment(std::string_view segment);

}  // namespace ostrel
