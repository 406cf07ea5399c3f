#include "platform/error_numbers.h"

namespace ostrel {

int ErrorNumberOf(int systemError) noexcept {
  return systemError;  // the system's codes are the error numbers themselves
}

}  // namespace ostrel
