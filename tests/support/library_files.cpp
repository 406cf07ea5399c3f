#include "support/library_files.h"

#include <cstdint>

#include "cipher/memory_stream.h"
#include "cipher/stream_formats.h"
#include "primitives/des.h"
#include "primitives/fold_digest.h"
#include "primitives/rijndael.h"

namespace ostrel::testing_support {
namespace {

// Key and block sizes are written out here rather than read from the method table, so that the
// files these helpers make check the table too.
bool IsTripleDes(EncryptionMethod method) {
  return method == EncryptionMethod::kTripleDes;
}

std::size_t BlockOf(EncryptionMethod method) {
  return IsTripleDes(method) ? 8 : 16;
}

}  // namespace

std::string EncryptWithLibrary(EncryptionMethod method, const std::string& plain,
                               std::string_view passphrase) {
  uint8_t key[32];
  PassphraseToKey(key, IsTripleDes(method) ? 16 : 32, passphrase);
  TMemoryStream input(plain);
  TMemoryStream output;
  if (IsTripleDes(method)) {
    TripleDesStreamEcb(input, output, key, true);
  } else {
    RijndaelStreamEcb(input, output, key, 32, true);
  }
  return output.Bytes();
}

std::string DecryptedFinalBlock(EncryptionMethod method, const std::string& encrypted,
                                std::string_view passphrase) {
  uint8_t key[32];
  PassphraseToKey(key, IsTripleDes(method) ? 16 : 32, passphrase);
  const std::size_t block = BlockOf(method);
  std::string last = encrypted.substr(encrypted.size() - block);
  auto* bytes = reinterpret_cast<uint8_t*>(last.data());
  if (IsTripleDes(method)) {
    TripleDesContext context;
    InitTripleDesContext(key, context, false);
    TripleDesBlock(context, bytes);
  } else {
    RijndaelContext context;
    InitRijndaelContext(key, 32, context, false);
    RijndaelBlock(context, bytes);
  }
  return last;
}

int FinalTailCount(EncryptionMethod method, const std::string& encrypted,
                   std::string_view passphrase) {
  return static_cast<uint8_t>(DecryptedFinalBlock(method, encrypted, passphrase).back());
}

std::string PassphraseFailingTailCheck(EncryptionMethod method, const std::string& encrypted) {
  const auto block = static_cast<int>(BlockOf(method));
  for (int i = 0;; ++i) {
    const std::string candidate = "wrong " + std::to_string(i);
    if (FinalTailCount(method, encrypted, candidate) > block - 1)
      return candidate;
  }
}

std::string PassphraseFailingOnlyPadding(EncryptionMethod method, const std::string& encrypted) {
  const std::size_t block = BlockOf(method);
  for (int i = 0;; ++i) {
    const std::string candidate = "wrong " + std::to_string(i);
    const std::string final = DecryptedFinalBlock(method, encrypted, candidate);
    const auto tail = static_cast<uint8_t>(final.back());
    if (tail > block - 2)
      continue;  // out of range, or a full block that has no padding to give it away
    if (final.find_first_not_of('\0', tail) < block - 1)
      return candidate;
  }
}

bool FinalBlockOpens(EncryptionMethod method, const std::string& encrypted,
                     std::string_view passphrase) {
  const std::size_t block = BlockOf(method);
  const std::string final = DecryptedFinalBlock(method, encrypted, passphrase);
  const auto tail = static_cast<uint8_t>(final.back());
  return tail <= block - 1 && final.find_first_not_of('\0', tail) >= block - 1;
}

std::string WrongPassphraseOpeningByChance(EncryptionMethod method, const std::string& encrypted) {
  for (int i = 0;; ++i) {
    const std::string candidate = "lucky " + std::to_string(i);
    if (FinalBlockOpens(method, encrypted, candidate))
      return candidate;
  }
}

}  // namespace ostrel::testing_support
