#include "shell/start_mode.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(StartMode, FirstMatchingRuleWins) {
  const struct {
    std::vector<std::string> arguments;
    StartMode mode;
    std::string path, passphrase;
  } cases[] = {
      {{"/E", "C:\\x\\a.txt", "pw"}, StartMode::Encrypt, "C:\\x\\a.txt", "pw"},
      {{"/E", "a.txt", "pw", "ignored"}, StartMode::Encrypt, "a.txt", "pw"},
      // "/e" is not "/E": a file named "/e" is decrypted with the path as its pass phrase.
      {{"/e", "C:\\x\\a.txt", "pw"}, StartMode::Decrypt, "/e", "C:\\x\\a.txt"},
      {{"/E", "C:\\x\\a.txt"}, StartMode::Decrypt, "/E", "C:\\x\\a.txt"},
      {{"/E", "a.txt", ""}, StartMode::Decrypt, "/E", "a.txt"},
      {{"a.2crypt", "pw", "ignored"}, StartMode::Decrypt, "a.2crypt", "pw"},
      {{}, StartMode::Dialog, "", ""},
      {{"a.2crypt"}, StartMode::Dialog, "", ""},
      {{"", "pw"}, StartMode::Dialog, "", ""},
      {{"a.2crypt", ""}, StartMode::Dialog, "", ""},
      {{"/E"}, StartMode::Dialog, "", ""},
  };
  for (const auto& c : cases) {
    const StartRequest request = SelectStartMode(c.arguments);
    EXPECT_EQ(request.Mode, c.mode) << testing::PrintToString(c.arguments);
    EXPECT_EQ(request.Path, c.path) << testing::PrintToString(c.arguments);
    EXPECT_EQ(request.Passphrase, c.passphrase) << testing::PrintToString(c.arguments);
  }
}

}  // namespace
}  // namespace ostrel
