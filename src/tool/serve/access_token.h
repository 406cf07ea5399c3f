// The secret that every request to the server carries in the first segment of its path. Anyone who
// can reach the port but was not given the printed address (another user of the machine, a page in
// a browser) cannot guess it, so cannot read the backup.
#pragma once

#include <string>
#include <string_view>

namespace ostrel {

class AccessToken {
 public:
  // 160 bits from the system's random source, as lower-case hexadecimal.
  static AccessToken Generate();
  explicit AccessToken(std::string text) : text_(std::move(text)) {}

  const std::string& Text() const { return text_; }
  // Compares in time that does not depend on where the candidate differs, so that timing the
  // answers does not reveal the token a character at a time.
  bool Matches(std::string_view candidate) const;

 private:
  std::string text_;
};

}  // namespace ostrel
