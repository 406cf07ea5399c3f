// The Range header of a GET (RFC 9110, section 14): one range of bytes, as players and downloaders
// send to seek or resume. Several ranges in one request would need a multipart answer that no
// client here asks for; such a header is ignored and the whole file sent, as the RFC allows.
#pragma once

#include <cstdint>
#include <string_view>

namespace ostrel {

struct ByteRange {
  enum class Kind { kWhole, kPart, kUnsatisfiable };
  Kind Outcome = Kind::kWhole;
  int64_t First = 0;  // with kPart: the first and the last byte sent, both included
  int64_t Last = 0;
};

// header: the Range header's value, empty when there is none; length: the file's length.
ByteRange ParseByteRange(std::string_view header, int64_t length);

}  // namespace ostrel
