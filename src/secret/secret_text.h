// A pass phrase or other secret text: held in one buffer that never moves (room is reserved up
// front, so growing never leaves an old copy behind), left out of core dumps, and wiped when it
// dies.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "secret/secure_wipe.h"
#include "secret/undumpable_memory.h"

namespace ostrel {

class SecretText {
 public:
  // Longer pass phrases are refused by their readers before they could reach this size.
  static constexpr std::size_t kCapacity = 65536;

  SecretText() {
    text_.reserve(kCapacity);
    ExcludeFromCoreDumps(text_.data(), text_.capacity());
  }
  ~SecretText() { Wipe(); }
  SecretText(const SecretText&) = delete;
  SecretText& operator=(const SecretText&) = delete;

  std::string& Text() { return text_; }
  std::string_view View() const { return text_; }
  bool Empty() const { return text_.empty(); }

  void Wipe() noexcept {
    SecureWipe(text_.data(), text_.capacity());
    text_.clear();
  }

 private:
  std::string text_;
};

}  // namespace ostrel
