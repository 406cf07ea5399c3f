// Prints, in hexadecimal, the key bytes that a pass phrase gives: the file benchmarks hand them to
// other tools so that those transform the same files with the same key.
//   derived_key LENGTH PASSPHRASE     (LENGTH 16 for .1crypt files, 32 for .2crypt files)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "primitives/fold_digest.h"
#include "secret/secure_wipe.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: derived_key LENGTH PASSPHRASE\n");
    return 2;
  }
  const int length = std::atoi(argv[1]);
  if (length != 16 && length != 24 && length != 32) {
    std::fprintf(stderr, "LENGTH must be 16, 24 or 32\n");
    return 2;
  }
  std::vector<uint8_t> key(static_cast<size_t>(length));
  ostrel::PassphraseToKey(key.data(), length, argv[2]);
  for (uint8_t byte : key) {
    std::printf("%02x", byte);
  }
  std::printf("\n");
  ostrel::SecureWipe(key.data(), key.size());
  return 0;
}
