#include "cipher/memory_stream.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace ostrel {

int64_t TMemoryStream::Size() {
  return static_cast<int64_t>(bytes_.size());
}

int64_t TMemoryStream::Position() {
  return position_;
}

// A position past the end is kept as it is: reading there yields nothing, and writing there first
// fills the gap with zeros.
void TMemoryStream::SetPosition(int64_t position) {
  position_ = std::max<int64_t>(position, 0);
}

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  const int64_t available = Size() - position_;
  if (count <= 0 || available <= 0)
    return 0;
  const auto moved = static_cast<int32_t>(std::min<int64_t>(count, available));
  std::memcpy(buffer, bytes_.data() + position_, static_cast<std::size_t>(moved));
  position_ += moved;
  return moved;
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0)
    return 0;
  // A stream that cannot grow reports a short write, as a full disk does, instead of failing in
  // a way the stream contract does not know.
  if (position_ > static_cast<int64_t>(bytes_.max_size()) - count)
    return 0;
  const int64_t end = position_ + count;
  try {
    if (end > Size())
      bytes_.resize(static_cast<std::size_t>(end), '\0');
  } catch (const std::bad_alloc&) {
    return 0;
  } catch (const std::length_error&) {
    return 0;
  }
  std::memcpy(bytes_.data() + position_, buffer, static_cast<std::size_t>(count));
  position_ = end;
  return count;
}

}  // namespace ostrel
