// Getting the pass phrase without it ever appearing on a command line: from the terminal without
// echo (twice when encrypting), from the first line of a file or a file descriptor, or from an
// environment variable; then, when asked, converted to the encrypting machine's code page.
#pragma once

#include <memory>

#include "secret/secret_text.h"
#include "tool/keys/cipher_keys.h"
#include "tool/keys/passphrase_choice.h"

namespace ostrel {

// --codepage auto: the code page is found by trying the pass phrase on the run's files, so only
// the commands that have files to try it on take it.
inline constexpr const char* kAutomaticCodePage = "auto";

// Fills passphrase or raises Exception with a one-line reason. confirm asks twice on the
// terminal and refuses two different answers.
void ReadPassphrase(const PassphraseChoice& choice, bool confirm, SecretText& passphrase);

// Reads the pass phrase, derives the keys of both ciphers and wipes the pass phrase. On failure
// prints "ostrel: <reason>" on standard error and returns nothing. refuseEmpty: an empty pass
// phrase would make files that anybody opens.
std::unique_ptr<CipherKeys> ObtainKeys(const PassphraseChoice& choice, bool confirm,
                                       bool refuseEmpty);

}  // namespace ostrel
