// One block cipher keyed for one direction, transforming runs of blocks: the face the stream engine
// sees, whichever cipher and implementation stand behind it. The key schedule lives as long as the
// object, on pages of its own that stay out of any core dump, and is wiped when it dies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "names/encryption_method.h"
#include "primitives/rijndael_blocks.h"
#include "primitives/triple_des_blocks.h"

namespace ostrel {

class BlockCipher {
 public:
  virtual ~BlockCipher() = default;

  // Every cipher is made on the heap, on undumpable pages: the key schedule is as secret as the
  // key. Only the sized delete is declared, so that it gets the size of the cipher actually made
  // (a class's unsized delete would be chosen over it).
  static void* operator new(std::size_t size);  // NOLINT(cert-dcl54-cpp)
  static void operator delete(void* memory, std::size_t size) noexcept;

  virtual int32_t BlockSize() const noexcept = 0;
  // Whether sharing a run between cores pays: true where the cipher, not the copying, is the
  // bottleneck (Triple-DES, Rijndael on tables).
  virtual bool SharingPays() const noexcept = 0;
  // ECB: each of count blocks in place, in the key's direction.
  virtual void Blocks(uint8_t* blocks, int64_t count) const noexcept = 0;
  // CBC over count blocks in place; chain is the value before the first block and, on return, the
  // value for the block after the last.
  virtual void ChainedBlocks(uint8_t* chain, uint8_t* blocks, int64_t count) const noexcept = 0;
};

// How a cipher is to be run; the bytes never depend on it.
struct CipherChoice {
  // Rijndael on table look-ups even where the processor has AES instructions.
  bool portableRijndael = false;
  // The Triple-DES implementation; empty: the fastest this processor runs.
  std::optional<TripleDesImplementation> tripleDes;
};

std::unique_ptr<BlockCipher> MakeTripleDesCipher(const uint8_t* key, bool encrypt,
                                                 const CipherChoice& choice = {});
// keyLength 16, 24 or 32 (others as InitRijndaelContext takes them).
std::unique_ptr<BlockCipher> MakeRijndaelCipher(const uint8_t* key, int32_t keyLength, bool encrypt,
                                                const CipherChoice& choice = {});
// The cipher of a method that selects one, with the method's key length.
std::unique_ptr<BlockCipher> MakeCipherFor(EncryptionMethod method, const uint8_t* key,
                                           bool encrypt, const CipherChoice& choice = {});

}  // namespace ostrel
