// Random keys come from the operating system's cryptographic source: a key drawn from a
// timer-seeded generator could be found by trying the few seeds a clock can give.
#include "primitives/random_key.h"

#include "platform/random_bytes.h"

namespace ostrel {

void FillRandomKey(uint8_t* key, int32_t keyLength) {
  if (keyLength > 0) {
    FillFromSystemRandom(key, static_cast<size_t>(keyLength));
  }
}

}  // namespace ostrel
