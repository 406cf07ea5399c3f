#include "tool/serve/access_token.h"

#include <array>
#include <cstdint>

#include "platform/random_bytes.h"

namespace ostrel {

AccessToken AccessToken::Generate() {
  std::array<uint8_t, 20> bytes{};
  FillFromSystemRandom(bytes.data(), bytes.size());
  constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (const uint8_t byte : bytes) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 15]);
  }
  bytes.fill(0);
  return AccessToken(std::move(text));
}

bool AccessToken::Matches(std::string_view candidate) const {
  if (candidate.size() != text_.size())
    return false;
  unsigned difference = 0;
  for (std::size_t i = 0; i < text_.size(); ++i)
    difference |= static_cast<unsigned char>(text_[i]) ^ static_cast<unsigned char>(candidate[i]);
  return difference == 0;
}

}  // namespace ostrel
