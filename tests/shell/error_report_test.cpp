#include "shell/error_report.h"

#include <gtest/gtest.h>

#include <regex>

namespace ostrel {
namespace {

TEST(CommandLineErrorText, NamesClassModuleLocationAndMessage) {
  const std::string text =
      CommandLineErrorText(ECipherException("Invalid file format"), "ostrel-decrypt");
  EXPECT_TRUE(std::regex_match(text, std::regex("Exception ECipherException in module "
                                                "ostrel-decrypt at [0-9A-F]{8}\\.\r\n"
                                                "Invalid file format\\.\r\n")))
      << text;
}

TEST(CommandLineErrorText, AddsAFullStopOnlyWhereOneIsMissing) {
  const struct {
    const char* message;
    const char* secondLine;
  } cases[] = {
      {"Invalid file format", "Invalid file format.\r\n"},
      {"No encryption detected.", "No encryption detected.\r\n"},
      {"Oops!", "Oops!.\r\n"},
      {"", "\r\n"},
  };
  for (const auto& c : cases) {
    const std::string text = CommandLineErrorText(Exception(c.message), "p");
    EXPECT_EQ(text.substr(text.find("\r\n") + 2), c.secondLine) << c.message;
  }
}

TEST(DialogErrorText, AddsAFullStopAfterCharactersSortingAfterIt) {
  const struct {
    const char* message;
    const char* text;
  } cases[] = {
      {"Invalid file format", "Invalid file format."},
      {"ends.", "ends."},
      {"ends!", "ends!"},
      {"(ends)", "(ends)"},
      {"ends-", "ends-"},
      {"file 7", "file 7."},
      {"", ""},
      {"caf\xC3\xA9", "caf\xC3\xA9."},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DialogErrorText(c.message), c.text) << c.message;
}

TEST(ApplicationTitle, IsTheNameUpToTheFirstDotInTitleCase) {
  EXPECT_EQ(ApplicationTitle("ostrel-decrypt"), "ostrel-decrypt");
  EXPECT_EQ(ApplicationTitle("OSTRELDECRYPT.EXE"), "Ostreldecrypt");
  EXPECT_EQ(ApplicationTitle("My.Tool.exe"), "My");
  EXPECT_EQ(ApplicationTitle(""), "");
}

}  // namespace
}  // namespace ostrel
