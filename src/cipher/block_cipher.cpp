#include "cipher/block_cipher.h"

#include "primitives/des.h"
#include "primitives/triple_des_blocks.h"
#include "secret/undumpable_memory.h"

namespace ostrel {
namespace {

class TripleDesCipher final : public BlockCipher {
 public:
  TripleDesCipher(const uint8_t* key, bool encrypt, TripleDesImplementation implementation) {
    InitTripleDesBatchContext(key, context_, encrypt, implementation);
  }

  int32_t BlockSize() const noexcept override { return kDesBlockSize; }
  // Even bitsliced, Triple-DES on one core is slower than copying the file: sharing pays.
  bool SharingPays() const noexcept override { return true; }
  void Blocks(uint8_t* blocks, int64_t count) const noexcept override {
    TripleDesBlocks(context_, blocks, count);
  }
  void ChainedBlocks(uint8_t* chain, uint8_t* blocks, int64_t count) const noexcept override {
    TripleDesBlocksCbc(context_, chain, blocks, count);
  }

 private:
  TripleDesBatchContext context_;
};

class RijndaelCipher final : public BlockCipher {
 public:
  RijndaelCipher(const uint8_t* key, int32_t keyLength, bool encrypt,
                 RijndaelImplementation implementation) {
    InitRijndaelBatchContext(key, keyLength, context_, encrypt, implementation);
  }

  int32_t BlockSize() const noexcept override { return kRijndaelBlockSize; }
  // The AES instructions outrun the disk on one core; the tables do not.
  bool SharingPays() const noexcept override {
    return context_.Implementation == RijndaelImplementation::kPortable;
  }
  void Blocks(uint8_t* blocks, int64_t count) const noexcept override {
    RijndaelBlocks(context_, blocks, count);
  }
  void ChainedBlocks(uint8_t* chain, uint8_t* blocks, int64_t count) const noexcept override {
    RijndaelBlocksCbc(context_, chain, blocks, count);
  }

 private:
  RijndaelBatchContext context_;
};

}  // namespace

void* BlockCipher::operator new(std::size_t size) {  // NOLINT(cert-dcl54-cpp)
  return AllocateUndumpable(size);
}

void BlockCipher::operator delete(void* memory, std::size_t size) noexcept {
  FreeUndumpable(memory, size);
}

std::unique_ptr<BlockCipher> MakeTripleDesCipher(const uint8_t* key, bool encrypt,
                                                 const CipherChoice& choice) {
  return std::make_unique<TripleDesCipher>(
      key, encrypt, choice.tripleDes.value_or(FastestTripleDesImplementation()));
}

std::unique_ptr<BlockCipher> MakeRijndaelCipher(const uint8_t* key, int32_t keyLength, bool encrypt,
                                                const CipherChoice& choice) {
  return std::make_unique<RijndaelCipher>(key, keyLength, encrypt,
                                          choice.portableRijndael
                                              ? RijndaelImplementation::kPortable
                                              : FastestRijndaelImplementation());
}

std::unique_ptr<BlockCipher> MakeCipherFor(EncryptionMethod method, const uint8_t* key,
                                           bool encrypt, const CipherChoice& choice) {
  const CipherMethod& entry = CipherMethodFor(method);
  if (method == EncryptionMethod::kTripleDes)
    return MakeTripleDesCipher(key, encrypt, choice);
  return MakeRijndaelCipher(key, entry.KeyLength, encrypt, choice);
}

}  // namespace ostrel
