#include "tool/keys/cipher_keys.h"

#include <atomic>
#include <cstring>

#include "errors/exceptions.h"
#include "platform/error_text.h"
#include "primitives/fold_digest.h"
#include "secret/locked_memory.h"
#include "secret/secure_wipe.h"
#include "secret/undumpable_memory.h"

namespace ostrel {
namespace {

constexpr EncryptionMethod kCipherMethods[] = {EncryptionMethod::kTripleDes,
                                               EncryptionMethod::kRijndael};

std::atomic<int64_t> schedulesMade{0};

}  // namespace

int CipherKeys::SlotOf(EncryptionMethod method) {
  return method == EncryptionMethod::kTripleDes ? 0 : 1;
}

CipherKeys::CipherKeys(std::string_view passphrase) {
  for (const EncryptionMethod method : kCipherMethods)
    PassphraseToKey(keys_[SlotOf(method)], CipherMethodFor(method).KeyLength, passphrase);
}

CipherKeys::~CipherKeys() {
  SecureWipe(keys_);
}

void* CipherKeys::operator new(std::size_t size) {
  return AllocateUndumpable(size);
}

void CipherKeys::operator delete(void* memory) noexcept {
  FreeUndumpable(memory, sizeof(CipherKeys));
}

const uint8_t* CipherKeys::KeyFor(EncryptionMethod method) const {
  return keys_[SlotOf(method)];
}

const BlockCipher& CipherKeys::CipherFor(EncryptionMethod method, bool encrypt) const {
  KeyedCipher& keyed = ciphers_[SlotOf(method)][encrypt ? 1 : 0];
  std::call_once(keyed.Made, [&] {
    keyed.Cipher = MakeCipherFor(method, KeyFor(method), encrypt);
    schedulesMade.fetch_add(1, std::memory_order_relaxed);
  });
  return *keyed.Cipher;
}

std::unique_ptr<CipherKeys> CipherKeys::CopyLockedInMemory() const {
  std::unique_ptr<CipherKeys> copy(new CipherKeys());
  if (const int error = LockPages(copy.get(), sizeof(CipherKeys)); error != 0)
    throw Exception("cannot lock memory for the keys: " + SystemErrorText(error));
  std::memcpy(copy->keys_, keys_, sizeof(keys_));
  return copy;
}

int64_t CipherKeys::SchedulesMade() {
  return schedulesMade.load(std::memory_order_relaxed);
}

const char* CipherNameOrNone(EncryptionMethod method) {
  const CipherMethod* entry = CipherMethodOf(method);
  return entry != nullptr ? entry->CipherName : "none";
}

}  // namespace ostrel
