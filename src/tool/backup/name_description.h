// Everything an encoded file name says about the plain file, as the decoder reports it: the
// method, the plain name, the plain size (only where a size suffix carries it) and the time stamp
// (only where one was stripped), or the date error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "names/encoded_name.h"

namespace ostrel {

struct NameDescription {
  EncryptionMethod Method = EncryptionMethod::kNone;
  std::string PlainName;  // the decoder's result, in the system's 8-bit text
  std::optional<uint64_t> PlainSize;
  std::optional<std::string> TimeStamp;  // "YYYY-MM-DD HH:MM:SS"
  std::optional<std::string> DateError;  // the decoder's message for a day its month lacks
};

// fileName: a bare name, without directory.
NameDescription DescribeEncodedName(std::string_view fileName);

}  // namespace ostrel
