// How often a wrong pass phrase is caught by the final-block check: encrypts a file under one pass
// phrase, tries random others, and counts how many the tail count alone, and the tail count with
// the zero bytes before it, let through.
//   wrong_passphrase_rate [TRIALS]   (default 10000 per method)
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "cipher/block_cipher.h"
#include "cipher/final_block.h"
#include "cipher/memory_stream.h"
#include "cipher/stream_formats.h"
#include "primitives/fold_digest.h"

int main(int argc, char** argv) {
  using namespace ostrel;
  const long trials = argc > 1 ? std::atol(argv[1]) : 10000;
  std::mt19937_64 random(20261210);
  for (const EncryptionMethod method :
       {EncryptionMethod::kTripleDes, EncryptionMethod::kRijndael}) {
    const CipherMethod& entry = CipherMethodFor(method);
    long passTail = 0;
    long passBoth = 0;
    for (long trial = 0; trial < trials; ++trial) {
      // A file of random length under the right pass phrase, then a random wrong one.
      std::string plain(static_cast<size_t>(random() % 100), 'p');
      uint8_t key[32];
      PassphraseToKey(key, entry.KeyLength, "the right pass phrase");
      TMemoryStream in(plain);
      TMemoryStream out;
      if (method == EncryptionMethod::kTripleDes) {
        TripleDesStreamEcb(in, out, key, true);
      } else {
        RijndaelStreamEcb(in, out, key, 32, true);
      }
      std::string final =
          out.Bytes().substr(out.Bytes().size() - static_cast<size_t>(entry.BlockSize));
      PassphraseToKey(key, entry.KeyLength, "wrong " + std::to_string(random()));
      MakeCipherFor(method, key, false)->Blocks(reinterpret_cast<uint8_t*>(final.data()), 1);
      const auto* block = reinterpret_cast<const uint8_t*>(final.data());
      passTail += FinalBlockDataBytes(block, entry.BlockSize, FinalBlockCheck::kTailCount) >= 0;
      passBoth +=
          FinalBlockDataBytes(block, entry.BlockSize, FinalBlockCheck::kTailCountAndPadding) >= 0;
    }
    std::printf(
        "%-12s %ld wrong pass phrases: tail count alone lets %ld through (1 in %.1f), "
        "with the zero bytes %ld (1 in %.1f); caught %.3f%%\n",
        entry.CipherName, trials, passTail,
        passTail ? static_cast<double>(trials) / static_cast<double>(passTail) : 0.0, passBoth,
        passBoth ? static_cast<double>(trials) / static_cast<double>(passBoth) : 0.0,
        100.0 * static_cast<double>(trials - passBoth) / static_cast<double>(trials));
  }
  return 0;
}
