// The answer to a PROPFIND (RFC 4918, section 9.1): one response per resource, its properties in a
// 200 propstat and those asked for that this server does not have in a 404 one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tool/serve/propfind_request.h"

namespace ostrel {

struct DavResource {
  std::string Href;  // the URL path, escaped
  std::string DisplayName;
  bool Collection = false;
  int64_t Length = 0;
  int64_t ModifiedSeconds = 0;
  std::string ETag;         // quoted, as the ETag header carries it
  std::string ContentType;  // of a file
};

std::string MultistatusXml(const std::vector<DavResource>& resources,
                           const PropfindRequest& request);

}  // namespace ostrel
