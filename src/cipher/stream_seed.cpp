#include "cipher/stream_seed.h"

#include <cstddef>

#include "platform/millisecond_timer.h"
#include "platform/random_bytes.h"

namespace ostrel {

void FillChainSeed(uint8_t* seed, int32_t blockSize) {
  const int32_t timerBytes = blockSize == 8 ? 4 : 2;
  for (int32_t i = 0; i < timerBytes; ++i)
    seed[i] = static_cast<uint8_t>(MillisecondTimer() & 0xFF);
  FillFromSystemRandom(seed + timerBytes, static_cast<size_t>(blockSize - timerBytes));
}

}  // namespace ostrel
