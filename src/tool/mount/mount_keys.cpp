#include "tool/mount/mount_keys.h"

#include <cstring>

namespace ostrel {
namespace {

// One slot per method that selects a cipher, each as long as the longest key.
constexpr std::size_t kSlotBytes = 32;

std::size_t SlotOf(EncryptionMethod method) {
  return method == EncryptionMethod::kTripleDes ? 0 : 1;
}

}  // namespace

MountKeys::MountKeys(const CipherKeys& keys) : memory_(2 * kSlotBytes) {
  for (const EncryptionMethod method :
       {EncryptionMethod::kTripleDes, EncryptionMethod::kRijndael}) {
    std::memcpy(static_cast<uint8_t*>(memory_.Bytes()) + SlotOf(method) * kSlotBytes,
                keys.KeyFor(method), static_cast<std::size_t>(CipherMethodFor(method).KeyLength));
  }
}

const uint8_t* MountKeys::KeyFor(EncryptionMethod method) const {
  return static_cast<const uint8_t*>(memory_.Bytes()) + SlotOf(method) * kSlotBytes;
}

}  // namespace ostrel
