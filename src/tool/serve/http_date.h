// Times as HTTP writes them (RFC 9110, section 5.6.7: "Sun, 06 Nov 1994 08:49:37 GMT"), for
// Last-Modified and WebDAV's getlastmodified; in UTC whatever the
// machine's time zone.
#pragma once

#include <cstdint>
#include <string>

namespace ostrel {

std::string HttpDate(int64_t secondsSinceEpoch);

}  // namespace ostrel
