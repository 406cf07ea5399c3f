#include "cipher/cipher_components.h"

#include <gtest/gtest.h>

#include <cstring>

#include "cipher/memory_stream.h"
#include "primitives/fold_digest.h"

namespace ostrel {
namespace {

TEST(CipherComponents, StartInEcbWithTheDocumentedDefaults) {
  TTripleDes des;
  TRijndael rijndael;
  EXPECT_EQ(des.CipherMode(), cmECB);
  EXPECT_EQ(rijndael.CipherMode(), cmECB);
  EXPECT_EQ(rijndael.KeySize(), ks128);
  EXPECT_EQ(rijndael.KeyLength(), 16);
  rijndael.SetVersion("9.99");
  EXPECT_EQ(rijndael.Version(), "2.07");
}

TEST(CipherComponents, PaddedSizeIsTheEcbLengthInWrappingArithmetic) {
  TTripleDes des;
  TRijndael rijndael;
  const struct {
    uint32_t n, des, rijndael;
  } cases[] = {
      {0, 8, 16},
      {7, 8, 16},
      {8, 16, 16},
      {15, 16, 16},
      {16, 24, 32},
      {0xFFFFFFFF, 0, 0},  // wraps modulo 2^32
      {0xFFFFFFF0, 0xFFFFFFF8, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(des.PaddedSize(c.n), c.des) << c.n;
    EXPECT_EQ(rijndael.PaddedSize(c.n), c.rijndael) << c.n;
  }
  rijndael.SetCipherMode(cmCBC);
  EXPECT_EQ(rijndael.PaddedSize(15), 16u);  // the mode is not consulted
}

TEST(CipherComponents, KeysComeFromThePassPhraseAtTheCurrentKeyLength) {
  uint8_t expected[32];
  PassphraseToKey(expected, 32, "pass phrase");

  TTripleDes des;
  des.GenerateKey("pass phrase");
  EXPECT_EQ(std::memcmp(des.Key(), expected, 16), 0);

  const struct {
    TRijndaelKeySize size;
    int32_t length;
  } sizes[] = {{ks128, 16}, {ks192, 24}, {ks256, 32}};
  for (const auto& s : sizes) {
    TRijndael rijndael;
    rijndael.SetKeySize(s.size);
    EXPECT_EQ(rijndael.KeyLength(), s.length);
    rijndael.GenerateKey("pass phrase");
    EXPECT_EQ(std::memcmp(rijndael.Key(), expected, static_cast<std::size_t>(s.length)), 0);
    for (int32_t i = s.length; i < 32; ++i)
      EXPECT_EQ(rijndael.Key()[i], 0) << i;
  }
}

// A key made under ks256 and then used under ks128 is its first 16 bytes: assigning the size
// derives nothing.
TEST(CipherComponents, ChangingTheKeySizeLaterUsesAPrefixOfTheKey) {
  TRijndael wide;
  wide.SetKeySize(ks256);
  wide.GenerateKey("pw");
  wide.SetKeySize(ks128);
  TRijndael narrow;
  narrow.SetKeySize(ks128);
  narrow.GenerateKey("pw");
  EXPECT_EQ(wide.EncryptString("some text"), narrow.EncryptString("some text"));
}

TEST(CipherComponents, EveryModeRoundTripsStreamsAndStrings) {
  const std::string plain("zero \0 bytes and more than one block of text", 45);
  for (TCipherMode mode : {cmECB, cmCBC}) {
    TTripleDes des;
    TRijndael rijndael;
    rijndael.SetKeySize(ks256);
    for (TSymmetricCipher* cipher :
         {static_cast<TSymmetricCipher*>(&des), static_cast<TSymmetricCipher*>(&rijndael)}) {
      cipher->SetCipherMode(mode);
      cipher->RandomizeKey();
      EXPECT_EQ(cipher->DecryptString(cipher->EncryptString(plain)), plain);

      TMemoryStream input(plain), encrypted, decrypted;
      cipher->EncryptStream(input, encrypted);
      encrypted.SetPosition(0);
      cipher->DecryptStream(encrypted, decrypted);
      EXPECT_EQ(decrypted.Bytes(), plain);
    }
  }
}

TEST(CipherComponents, RandomKeysDifferAndFillTheKeyLength) {
  TRijndael a, b;
  a.SetKeySize(ks256);
  b.SetKeySize(ks256);
  a.RandomizeKey();
  b.RandomizeKey();
  EXPECT_NE(std::memcmp(a.Key(), b.Key(), 32), 0);
}

}  // namespace
}  // namespace ostrel
