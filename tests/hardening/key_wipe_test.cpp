// Key material must not outlive its holder: the cipher components, the block cipher contexts and
// the digest context clear their key bytes when they die. Each is built in a buffer of our own,
// keyed, destroyed explicitly, and the buffer is then read through a volatile pointer, so neither
// the sanitizers nor the optimiser have a say in what the bytes were.
#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cipher/block_cipher.h"
#include "cipher/cipher_components.h"
#include "primitives/des.h"
#include "primitives/feistel128.h"
#include "primitives/fold_digest.h"
#include "primitives/rijndael.h"
#include "primitives/triple_des_blocks.h"
#include "secret/secret_text.h"

namespace ostrel {
namespace {

const uint8_t kKey[32] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a,
                          0x0b, 0x0c, 0x0d, 0x0e, 0x0f, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15,
                          0x16, 0x17, 0x18, 0x19, 0x1a, 0x1b, 0x1c, 0x1d, 0x1e, 0x1f};

std::vector<uint8_t> ReadVolatile(const unsigned char* bytes, std::size_t size) {
  const volatile unsigned char* source = bytes;
  std::vector<uint8_t> copy(size);
  for (std::size_t i = 0; i < size; ++i)
    copy[i] = source[i];
  return copy;
}

bool AllZero(const std::vector<uint8_t>& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

// What the object's storage holds while it is keyed, and after it has died.
struct Remains {
  std::vector<uint8_t> keyed;
  std::vector<uint8_t> dead;
  std::size_t keyOffset = 0;  // where the object keeps its key, for the components
};

// Builds a T in a buffer filled with a marker, lets `key` key it and say where its key lies,
// destroys it, and returns the buffer's bytes before and after.
template <typename T>
Remains KeyAndDestroy(const std::function<const uint8_t*(T&)>& key) {
  alignas(T) unsigned char storage[sizeof(T)];
  std::memset(storage, 0xA5, sizeof storage);
  T* object = ::new (static_cast<void*>(storage)) T;
  const uint8_t* keyBytes = key(*object);
  Remains remains;
  remains.keyOffset =
      static_cast<std::size_t>(keyBytes - reinterpret_cast<const uint8_t*>(storage));
  remains.keyed = ReadVolatile(storage, sizeof storage);
  std::destroy_at(object);
  remains.dead = ReadVolatile(storage, sizeof storage);
  return remains;
}

// Whether any run of `window` key bytes appears anywhere in the bytes.
bool HoldsPartOfKey(const std::vector<uint8_t>& bytes, const uint8_t* key, std::size_t keyLength,
                    std::size_t window = 4) {
  for (std::size_t k = 0; k + window <= keyLength; ++k) {
    if (std::search(bytes.begin(), bytes.end(), key + k, key + k + window) != bytes.end())
      return true;
  }
  return false;
}

TEST(KeyWipe, CipherComponentsClearTheirKeyWhenTheyDie) {
  uint8_t tripleDesKey[16];
  uint8_t rijndaelKey[32];
  const Remains tripleDes = KeyAndDestroy<TTripleDes>([&](TTripleDes& cipher) {
    cipher.GenerateKey("a pass phrase");
    std::memcpy(tripleDesKey, cipher.Key(), sizeof tripleDesKey);
    return cipher.Key();
  });
  const Remains rijndael = KeyAndDestroy<TRijndael>([&](TRijndael& cipher) {
    cipher.SetKeySize(ks256);
    cipher.GenerateKey("a pass phrase");
    std::memcpy(rijndaelKey, cipher.Key(), sizeof rijndaelKey);
    return cipher.Key();
  });

  const struct {
    const char* name;
    const Remains& remains;
    const uint8_t* key;
    std::size_t keyLength;
  } cases[] = {{"TTripleDes", tripleDes, tripleDesKey, 16},
               {"TRijndael", rijndael, rijndaelKey, 32}};
  for (const auto& c : cases) {
    const auto keyed =
        std::vector<uint8_t>(c.remains.keyed.begin() + c.remains.keyOffset,
                             c.remains.keyed.begin() + c.remains.keyOffset + c.keyLength);
    ASSERT_TRUE(std::equal(keyed.begin(), keyed.end(), c.key)) << c.name;
    const auto dead =
        std::vector<uint8_t>(c.remains.dead.begin() + c.remains.keyOffset,
                             c.remains.dead.begin() + c.remains.keyOffset + c.keyLength);
    EXPECT_TRUE(AllZero(dead)) << c.name;
    EXPECT_FALSE(HoldsPartOfKey(c.remains.dead, c.key, c.keyLength)) << c.name;
  }
}

// The contexts are key schedules through and through: every byte of them goes.
TEST(KeyWipe, CipherAndDigestContextsClearEveryByteWhenTheyDie) {
  const struct {
    const char* name;
    Remains remains;
  } cases[] = {
      {"RijndaelContext", KeyAndDestroy<RijndaelContext>([](RijndaelContext& context) {
         InitRijndaelContext(kKey, 32, context, false);
         return kKey;
       })},
      {"DesContext", KeyAndDestroy<DesContext>([](DesContext& context) {
         InitDesContext(kKey, context, true);
         return kKey;
       })},
      {"TripleDesContext", KeyAndDestroy<TripleDesContext>([](TripleDesContext& context) {
         InitTripleDesContext(kKey, context, false);
         return kKey;
       })},
      {"TripleDesBatchContext",
       KeyAndDestroy<TripleDesBatchContext>([](TripleDesBatchContext& context) {
         // The widest implementation here, so that the sliced subkeys are filled as well.
         InitTripleDesBatchContext(kKey, context, false);
         return kKey;
       })},
      {"Feistel128Context", KeyAndDestroy<Feistel128Context>([](Feistel128Context& context) {
         InitFeistel128Context(kKey, context, 8, true);
         return kKey;
       })},
      {"FoldDigestContext", KeyAndDestroy<FoldDigestContext>([](FoldDigestContext& context) {
         InitFoldDigest(context);
         const std::string phrase = "a pass phrase of some length";
         UpdateFoldDigest(context, reinterpret_cast<const uint8_t*>(phrase.data()),
                          static_cast<int32_t>(phrase.size()));
         return kKey;
       })},
  };
  for (const auto& c : cases) {
    // Keyed, the context holds far more than the marker it was built on.
    EXPECT_GT(std::count_if(c.remains.keyed.begin(), c.remains.keyed.end(),
                            [](uint8_t b) { return b != 0xA5; }),
              static_cast<std::ptrdiff_t>(c.remains.keyed.size() / 2))
        << c.name;
    EXPECT_TRUE(AllZero(c.remains.dead)) << c.name;
  }
}

}  // namespace
}  // namespace ostrel

// Pages are marked to stay out of core dumps where the system has such a mark (not on Windows).
#ifndef _WIN32
namespace ostrel {
namespace {

// The flags the system gives the mapping that holds address, from /proc/self/smaps.
std::string MappingFlags(const void* address) {
  const auto at = reinterpret_cast<std::uintptr_t>(address);
  std::ifstream smaps("/proc/self/smaps");
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    std::uintptr_t start = 0;
    std::uintptr_t end = 0;
    // A mapping's first line is its address range; the lines after it name its fields.
    if (std::sscanf(line.c_str(), "%" SCNxPTR "-%" SCNxPTR, &start, &end) == 2) {
      inside = start <= at && at < end;
      continue;
    }
    if (inside && line.starts_with("VmFlags:"))
      return line;
  }
  return {};
}

// A key schedule is as secret as its key: it must stay out of a core dump even when the process
// could not be marked as not dumpable, and out of swap, since a mount holds one for days.
TEST(KeyWipe, KeySchedulesLiveOnLockedPagesLeftOutOfCoreDumps) {
  const uint8_t key[32] = {1, 2, 3};
  for (const EncryptionMethod method :
       {EncryptionMethod::kTripleDes, EncryptionMethod::kRijndael}) {
    const std::unique_ptr<BlockCipher> cipher = MakeCipherFor(method, key, false);
    const std::string flags = MappingFlags(cipher.get()) + " ";
    ASSERT_NE(flags, " ");
    EXPECT_NE(flags.find(" dd "), std::string::npos) << flags;
#ifndef __SANITIZE_ADDRESS__  // AddressSanitizer turns mlock into nothing
    EXPECT_NE(flags.find(" lo "), std::string::npos) << flags;
#endif
  }
}

TEST(KeyWipe, PassPhrasesLiveOnPagesLeftOutOfCoreDumps) {
  const SecretText passphrase;
  for (const std::size_t at : {std::size_t{0}, SecretText::kCapacity - 1}) {
    const std::string flags = MappingFlags(passphrase.View().data() + at);
    ASSERT_FALSE(flags.empty());
    EXPECT_NE((flags + " ").find(" dd "), std::string::npos) << flags;
  }
}

}  // namespace
}  // namespace ostrel

#endif  // _WIN32
