// The cipher components through which the requests encrypt and decrypt: one class per cipher, each
// holding a key, a cipher mode and (Rijndael) a key size, and each choosing the file, stream or
// string procedure that fits its mode. They keep no state between operations.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cipher/stream.h"

namespace ostrel {

enum TCipherMode : uint8_t { cmECB = 0, cmCBC = 1 };
enum TRijndaelKeySize : uint8_t { ks128 = 0, ks192 = 1, ks256 = 2 };

class TCryptoBase {
 public:
  TCryptoBase() = default;
  virtual ~TCryptoBase() = default;
  TCryptoBase(const TCryptoBase&) = delete;
  TCryptoBase& operator=(const TCryptoBase&) = delete;
};

class TCryptoComponent : public TCryptoBase {
 public:
  // Reads "2.07" whatever was assigned: the value belongs to the format, not to the object.
  std::string Version() const { return "2.07"; }
  void SetVersion(std::string_view /*ignored*/) {}
};

class TCipher : public TCryptoComponent {
 public:
  virtual void DecryptFile(std::u16string_view inFile, std::u16string_view outFile) = 0;
  virtual void DecryptStream(TStream& input, TStream& output) = 0;
  virtual std::string DecryptString(std::string_view input) = 0;
  virtual void EncryptFile(std::u16string_view inFile, std::u16string_view outFile) = 0;
  virtual void EncryptStream(TStream& input, TStream& output) = 0;
  virtual std::string EncryptString(std::string_view input) = 0;
  // The length of the ECB layout for n plain bytes, in wrapping unsigned 32-bit arithmetic.
  virtual uint32_t PaddedSize(uint32_t n) const = 0;
};

class TSymmetricCipher : public TCipher {
 public:
  TCipherMode CipherMode() const { return cipherMode_; }
  void SetCipherMode(TCipherMode mode) { cipherMode_ = mode; }

  virtual void GenerateKey(std::string_view passphrase) = 0;
  virtual void RandomizeKey() = 0;

  // The six transforms differ between the ciphers only in the procedure they pick, so each cipher
  // supplies one chooser per kind and the direction is passed through.
  void DecryptFile(std::u16string_view inFile, std::u16string_view outFile) final {
    TransformFile(inFile, outFile, false);
  }
  void DecryptStream(TStream& input, TStream& output) final {
    TransformStream(input, output, false);
  }
  std::string DecryptString(std::string_view input) final { return TransformString(input, false); }
  void EncryptFile(std::u16string_view inFile, std::u16string_view outFile) final {
    TransformFile(inFile, outFile, true);
  }
  void EncryptStream(TStream& input, TStream& output) final {
    TransformStream(input, output, true);
  }
  std::string EncryptString(std::string_view input) final { return TransformString(input, true); }

 protected:
  virtual void TransformFile(std::u16string_view inFile, std::u16string_view outFile,
                             bool encrypt) = 0;
  virtual void TransformStream(TStream& input, TStream& output, bool encrypt) = 0;
  virtual std::string TransformString(std::string_view input, bool encrypt) = 0;

 private:
  TCipherMode cipherMode_ = cmECB;
};

class TTripleDes : public TSymmetricCipher {
 public:
  ~TTripleDes() override;

  uint32_t PaddedSize(uint32_t n) const override;
  void GenerateKey(std::string_view passphrase) override;
  void RandomizeKey() override;

  const uint8_t* Key() const { return key_; }

 protected:
  void TransformFile(std::u16string_view inFile, std::u16string_view outFile,
                     bool encrypt) override;
  void TransformStream(TStream& input, TStream& output, bool encrypt) override;
  std::string TransformString(std::string_view input, bool encrypt) override;

 private:
  uint8_t key_[16] = {};
};

class TRijndael : public TSymmetricCipher {
 public:
  ~TRijndael() override;

  uint32_t PaddedSize(uint32_t n) const override;
  void GenerateKey(std::string_view passphrase) override;
  void RandomizeKey() override;

  TRijndaelKeySize KeySize() const { return keySize_; }
  // Changes how many key bytes the next operation uses; derives no new key.
  void SetKeySize(TRijndaelKeySize value);
  int32_t KeyLength() const { return keyLength_; }
  const uint8_t* Key() const { return key_; }

 protected:
  void TransformFile(std::u16string_view inFile, std::u16string_view outFile,
                     bool encrypt) override;
  void TransformStream(TStream& input, TStream& output, bool encrypt) override;
  std::string TransformString(std::string_view input, bool encrypt) override;

 private:
  uint8_t key_[32] = {};
  TRijndaelKeySize keySize_ = ks128;
  int32_t keyLength_ = 16;  // agrees with the ks128 it reports before KeySize is assigned
};

}  // namespace ostrel
