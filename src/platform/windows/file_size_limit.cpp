// Windows has no file-size limit per process: a write that does not fit fails as it is.
#include "platform/file_size_limit.h"

namespace ostrel {

void TreatFileSizeLimitAsWriteError() noexcept {}

}  // namespace ostrel
