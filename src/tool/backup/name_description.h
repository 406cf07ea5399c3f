// Everything an encoded file name says about the plain file, as the decoder reports it: the
// method, the plain name, the plain size (only where a size suffix carries it), whether it marks
// an archive or an incomplete transfer, and the time stamp (only where one was stripped), or the
// date error.
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
  // From the size suffix; for an incomplete transfer the size of the whole file, which the
  // stored file may not hold.
  std::optional<uint64_t> PlainSize;
  bool Incomplete = false;
  std::optional<std::string> TimeStamp;  // "YYYY-MM-DD HH:MM:SS"
  std::optional<std::string> DateError;  // the decoder's message for a day its month lacks
};

// fileName: a bare name, without directory.
NameDescription DescribeEncodedName(std::string_view fileName);

}  // namespace ostrel
