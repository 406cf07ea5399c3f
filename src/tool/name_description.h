// Everything an encoded file name says about the plain file, read with the decoder's own rules:
// the method, the plain name, the plain size (only where a size suffix carries it) and the time
// stamp (only where one was stripped), or the date error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "names/encoded_name.h"

namespace ostrel {

struct NameDescription {
  EncryptionMethod Method = 0;
  std::string PlainName;  // the decoder's result, in the system's 8-bit text
  std::optional<uint64_t> PlainSize;
  std::optional<std::string> TimeStamp;  // "YYYY-MM-DD HH:MM:SS", as the name writes it
  std::optional<std::string> DateError;  // the decoder's message for a day its month lacks
};

// fileName: a bare name, without directory.
NameDescription DescribeEncodedName(std::string_view fileName);

// The ".dYYYYMMDD-tHHMMSS" that the time-stamp rule removed when it turned before into after,
// written as "YYYY-MM-DD HH:MM:SS"; empty when before and after differ otherwise.
std::string FindStrippedTimeStamp(std::u16string_view before, std::u16string_view after);

}  // namespace ostrel
