// The files are the format: what this program writes must open anywhere. An independent
// implementation of the block ciphers (the openssl command) encrypts the same padded blocks under
// the key our pass-phrase digest derives, and the bytes must agree in both directions.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <unistd.h>

#include "cipher/cipher_components.h"
#include "platform/text_conversion.h"
#include "primitives/fold_digest.h"
#include "support/process.h"
#include "support/temporary_directory.h"

namespace ostrel {
namespace {

using testing_support::ReadFileBytes;
using testing_support::TemporaryDirectory;
using testing_support::WriteFileBytes;

std::string Hex(const uint8_t* bytes, std::size_t size) {
  std::string hex;
  char digits[3];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
    hex += digits;
  }
  return hex;
}

// The plain blocks of the layout: the whole blocks, then the final block with the remaining
// bytes, zeros and the tail count.
std::string PaddedPlainText(const std::string& plain, std::size_t blockSize) {
  const std::size_t tail = plain.size() % blockSize;
  std::string padded = plain + std::string(blockSize - tail, '\0');
  padded.back() = static_cast<char>(tail);
  return padded;
}

std::string OpenSsl(const std::string& cipher, const std::string& hexKey, bool encrypt,
                    const std::string& inputFile) {
  const testing_support::ProcessResult result = testing_support::RunProcess(
      "/usr/bin/openssl",
      {"enc", encrypt ? "-e" : "-d", "-" + cipher, "-nopad", "-K", hexKey, "-in", inputFile});
  EXPECT_EQ(result.ExitCode, 0) << result.Stderr;
  return result.Stdout;
}

struct InteropCase {
  const char* name;
  const char* opensslCipher;
  std::size_t blockSize;
  int32_t keyLength;
};

class OpenSslInterop : public testing::TestWithParam<InteropCase> {
 protected:
  std::unique_ptr<TSymmetricCipher> Component(const std::string& passphrase) const {
    std::unique_ptr<TSymmetricCipher> component;
    if (GetParam().keyLength == 16) {
      component = std::make_unique<TTripleDes>();
    } else {
      auto rijndael = std::make_unique<TRijndael>();
      rijndael->SetKeySize(ks256);
      component = std::move(rijndael);
    }
    component->GenerateKey(passphrase);
    return component;
  }
  std::string HexKey(const std::string& passphrase) const {
    uint8_t key[32];
    PassphraseToKey(key, GetParam().keyLength, passphrase);
    return Hex(key, static_cast<std::size_t>(GetParam().keyLength));
  }

  TemporaryDirectory directory_;
};

TEST_P(OpenSslInterop, WrittenFilesEqualTheIndependentCipher) {
  if (access("/usr/bin/openssl", X_OK) != 0)
    GTEST_SKIP() << "no openssl command";
  for (const std::size_t size : {0, 1, 7, 8, 15, 16, 17, 1000, 65536 + 3}) {
    std::string plain(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
      plain[i] = static_cast<char>(i * 7 + size);
    const std::string passphrase = "pass phrase " + std::to_string(size);
    WriteFileBytes(directory_ / "plain", plain);
    WriteFileBytes(directory_ / "padded", PaddedPlainText(plain, GetParam().blockSize));

    Component(passphrase)
        ->EncryptFile(WidenSystemText(directory_ / "plain"), WidenSystemText(directory_ / "ours"));
    const std::string theirs =
        OpenSsl(GetParam().opensslCipher, HexKey(passphrase), true, directory_ / "padded");
    ASSERT_EQ(ReadFileBytes(directory_ / "ours"), theirs) << size;

    // And a file made by the other implementation opens here.
    WriteFileBytes(directory_ / "theirs", theirs);
    Component(passphrase)
        ->DecryptFile(WidenSystemText(directory_ / "theirs"), WidenSystemText(directory_ / "back"));
    ASSERT_EQ(ReadFileBytes(directory_ / "back"), plain) << size;
  }
}

INSTANTIATE_TEST_SUITE_P(BothCiphers, OpenSslInterop,
                         testing::Values(InteropCase{"Rijndael256", "aes-256-ecb", 16, 32},
                                         InteropCase{"TripleDes", "des-ede-ecb", 8, 16}),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace ostrel
