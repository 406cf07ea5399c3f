#include "platform/standard_streams.h"

namespace ostrel {

void UseBinaryStandardStreams() noexcept {}

}  // namespace ostrel
