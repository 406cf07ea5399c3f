// An open file handle as a random-access input: reads at an offset that leave the handle's
// position alone, so that several readers may share one handle.
#pragma once

#include <cstdint>

#include "cipher/ecb_random_access.h"

namespace ostrel {

class HandleRandomAccess final : public RandomAccessInput {
 public:
  // The handle stays the caller's.
  explicit HandleRandomAccess(int handle) : handle_(handle) {}
  // A file whose length the caller already read from its status: asking the system again would
  // only repeat the answer, one call per file on paths that open thousands.
  HandleRandomAccess(int handle, int64_t knownSize) : handle_(handle), knownSize_(knownSize) {}
  // Raises Exception with the system's text when the handle's status cannot be read.
  int64_t Size() override;
  // Raises Exception with the system's text when the read fails.
  int64_t ReadAt(int64_t offset, uint8_t* buffer, int64_t count) override;

 private:
  int handle_;
  int64_t knownSize_ = -1;
};

}  // namespace ostrel
