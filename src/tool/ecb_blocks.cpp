#include "tool/ecb_blocks.h"

namespace ostrel {

EcbBlocks::EcbBlocks(EncryptionMethod method, const CipherKeys& keys, bool encrypt)
    : method_(method), blockSize_(BlockSizeOf(method)) {
  if (method_ == 1) {
    InitTripleDesContext(keys.KeyFor(1), tripleDes_, encrypt);
  } else {
    InitRijndaelContext(keys.KeyFor(2), CipherKeys::KeyLengthFor(2), rijndael_, encrypt);
  }
}

void EcbBlocks::Apply(uint8_t* blocks, std::size_t count) const {
  for (std::size_t i = 0; i < count; ++i) {
    uint8_t* const block = blocks + i * static_cast<std::size_t>(blockSize_);
    if (method_ == 1) {
      TripleDesBlock(tripleDes_, block);
    } else {
      RijndaelBlock(rijndael_, block);
    }
  }
}

}  // namespace ostrel
