// The time a version stamp names, as the time of what is shown or restored for it. The
// synchronizer writes stamps in the local time of its machine, so they are read as local time.
#pragma once

#include <cstdint>

#include "names/encoded_name.h"

namespace ostrel {

// Seconds since 1970-01-01 UTC of the stamp read as local time; a time that a change of clocks
// skipped or repeated is taken as the system's calendar functions decide.
int64_t StampSeconds(const NameTimeStamp& stamp);

}  // namespace ostrel
