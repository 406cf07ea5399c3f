// Encrypted files made by the library itself, and pass phrases chosen for how a file's final block
// decrypts under them, for the tests of both programs.
#pragma once

#include <string>
#include <string_view>

#include "names/encryption_method.h"

namespace ostrel::testing_support {

// The ECB layout of the format, made by the library: what every encrypted file must equal.
std::string EncryptWithLibrary(EncryptionMethod method, const std::string& plain,
                               std::string_view passphrase);
// The final block of the file decrypted under the pass phrase.
std::string DecryptedFinalBlock(EncryptionMethod method, const std::string& encrypted,
                                std::string_view passphrase);
// The tail count that the file's final block decrypts to under the pass phrase.
int FinalTailCount(EncryptionMethod method, const std::string& encrypted,
                   std::string_view passphrase);
// A pass phrase under which the file's final block has a tail count out of range.
std::string PassphraseFailingTailCheck(EncryptionMethod method, const std::string& encrypted);
// A pass phrase under which the file's final block has a tail count in range but a non-zero byte
// where the writer puts zeros: only the padding gives the wrong key away.
std::string PassphraseFailingOnlyPadding(EncryptionMethod method, const std::string& encrypted);
// Whether the file's final block is well formed under the pass phrase: a tail count within the
// block and zero bytes between the tail and the count.
bool FinalBlockOpens(EncryptionMethod method, const std::string& encrypted,
                     std::string_view passphrase);
// A pass phrase other than the file's under which its final block opens all the same, as about
// one wrong pass phrase in 255 does.
std::string WrongPassphraseOpeningByChance(EncryptionMethod method, const std::string& encrypted);

}  // namespace ostrel::testing_support
