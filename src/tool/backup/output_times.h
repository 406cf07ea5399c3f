// The modification time a decrypted output gets: the time its name's stamp says (a version's
// time), else that of the encrypted file, so that a restored tree keeps the times of the backup.
#pragma once

#include <cstdint>
#include <string>

#include "names/encoded_name.h"

namespace ostrel {

// Seconds since the epoch of the stamp, read as local time or, with utc, as UTC.
int64_t StampSeconds(const NameTimeStamp& stamp, bool utc);

// "2024-01-31T12:00:00Z": the time in UTC, as reports give it.
std::string UtcText(int64_t seconds);

}  // namespace ostrel
