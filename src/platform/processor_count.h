// How many processors this process may run on: the default number of files worked on at once.
#pragma once

namespace ostrel {

// At least 1.
unsigned ProcessorCount() noexcept;

}  // namespace ostrel
