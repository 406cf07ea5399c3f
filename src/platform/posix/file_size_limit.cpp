#include "platform/file_size_limit.h"

#include <csignal>

namespace ostrel {

void TreatFileSizeLimitAsWriteError() noexcept {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGXFSZ, &ignore, nullptr);
}

}  // namespace ostrel
