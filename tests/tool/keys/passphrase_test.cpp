// Every way of giving the pass phrase, none of them the command line; the prompt on a terminal;
// and the conversion to the encrypting machine's code page.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tool_fixture.h"

namespace ostrel::testing_support {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

struct SourceCase {
  const char* Name;
  std::vector<std::string> Options;
  std::vector<std::pair<std::string, std::string>> Environment;
  std::string Stdin;
  std::string Descriptor3;
};

TEST_F(ToolTest, EverySourceGivesTheSamePassphrase) {
  Write("phrase.txt", std::string(kPassphrase) + "\r\nsecond line\n");
  Write("bare.txt", kPassphrase);
  const SourceCase kCases[] = {
      {"file, CRLF", {"--passphrase-file", "phrase.txt"}, {}, "", ""},
      {"file without line end", {"--passphrase-file", "bare.txt"}, {}, "", ""},
      {"standard input", {"--passphrase-file", "-"}, {}, std::string(kPassphrase) + "\nrest", ""},
      {"environment", {"--passphrase-env", "PW"}, {{"PW", kPassphrase}}, "", ""},
      {"descriptor", {"--passphrase-fd", "3"}, {}, "", std::string(kPassphrase) + "\n"},
  };
  for (const SourceCase& source : kCases) {
    ToolCall call;
    call.Arguments = {"key", "--method", "2"};
    call.Arguments.insert(call.Arguments.end(), source.Options.begin(), source.Options.end());
    call.Environment = source.Environment;
    call.Stdin = source.Stdin;
    call.Descriptor3 = source.Descriptor3;
    call.WorkingDirectory = directory_.Path().string();
    const ToolRun run = RunTool(kOstrel, call);
    EXPECT_EQ(run.ExitCode, 0) << source.Name << ": " << run.Stderr;
    EXPECT_EQ(run.Stdout, KeyHex(EncryptionMethod::kRijndael, kPassphrase)) << source.Name;
  }
  EXPECT_EQ(OstrelKeyed({"key", "--method", "1"}).Stdout,
            KeyHex(EncryptionMethod::kTripleDes, kPassphrase));
}

TEST_F(ToolTest, APassphraseThatCannotBeHadStopsTheRunWithAUsageStatus) {
  Write("a", "a");
  const struct {
    std::vector<std::string> Arguments;
    const char* Reason;
  } kCases[] = {
      {{"encrypt", "a"}, "no pass phrase from the terminal"},
      {{"encrypt", "a", "--passphrase-env", "UNSET_VARIABLE"}, "UNSET_VARIABLE is not set"},
      {{"encrypt", "a", "--passphrase-fd", "9"}, "file descriptor 9: Bad file descriptor"},
      {{"encrypt", "a", "--passphrase-file", "missing"}, "missing: No such file or directory"},
      {{"encrypt", "a", "--passphrase-env", "EMPTY"}, "an empty pass phrase is refused"},
  };
  for (const auto& failure : kCases) {
    ToolCall call;
    call.Arguments = failure.Arguments;
    call.Environment = {{"EMPTY", ""}};
    call.WorkingDirectory = directory_.Path().string();
    const ToolRun run = RunTool(kOstrel, call);
    EXPECT_EQ(run.ExitCode, 2) << failure.Reason;
    EXPECT_THAT(run.Stderr, HasSubstr(failure.Reason));
  }
  EXPECT_FALSE(Exists("a.2crypt"));
}

TEST_F(ToolTest, ThePromptAsksTwiceWhenEncryptingAndNeverEchoes) {
  Write("doc", "content");
  ToolCall call;
  call.Arguments = {"encrypt", "doc"};
  call.WorkingDirectory = directory_.Path().string();

  const ToolRun differing = RunToolOnTerminal(kOstrel, call, {"first try", "second try"});
  EXPECT_EQ(differing.ExitCode, 2);
  EXPECT_THAT(differing.Stdout, HasSubstr("the two pass phrases differ"));
  EXPECT_FALSE(Exists("doc.2crypt"));

  const ToolRun run = RunToolOnTerminal(kOstrel, call, {"typed phrase", "typed phrase"});
  EXPECT_EQ(run.ExitCode, 0) << run.Stdout;
  EXPECT_THAT(run.Stdout, HasSubstr("Pass phrase again: "));
  EXPECT_THAT(run.Stdout, Not(HasSubstr("typed phrase")));
  EXPECT_EQ(Read("doc.2crypt"),
            EncryptWithLibrary(EncryptionMethod::kRijndael, "content", "typed phrase"));
}

// How often the terminal showed the pass-phrase prompt.
std::size_t Prompts(const std::string& shown) {
  std::size_t count = 0;
  for (std::size_t at = shown.find("Pass phrase: "); at != std::string::npos;
       at = shown.find("Pass phrase: ", at + 1))
    ++count;
  return count;
}

// A pass phrase typed at the prompt is tried on the first files before anything is written; one
// that opens none of them is asked for again, three times in all.
TEST_F(ToolTest, APromptedPassphraseThatOpensNothingIsAskedForAgain) {
  const std::string encrypted =
      EncryptWithLibrary(EncryptionMethod::kRijndael, "the content", "right one");
  Write("doc.2crypt", encrypted);
  Write("doc", "the user's own file");
  ToolCall call;
  call.Arguments = {"decrypt", "--force", "doc.2crypt"};
  call.WorkingDirectory = directory_.Path().string();
  const std::string wrong = PassphraseFailingOnlyPadding(EncryptionMethod::kRijndael, encrypted);

  const ToolRun second = RunToolOnTerminal(kOstrel, call, {wrong, "right one"});
  EXPECT_EQ(second.ExitCode, 0) << second.Stdout;
  EXPECT_THAT(second.Stdout, HasSubstr("that pass phrase does not open doc.2crypt"));
  EXPECT_EQ(Read("doc"), "the content");

  // The third try still counts...
  Write("doc", "the user's own file");
  const ToolRun third = RunToolOnTerminal(kOstrel, call, {wrong, wrong, "right one"});
  EXPECT_EQ(third.ExitCode, 0) << third.Stdout;
  EXPECT_EQ(Read("doc"), "the content");

  // ...and is the last.
  Write("doc", "the user's own file");
  const ToolRun never = RunToolOnTerminal(kOstrel, call, {wrong, wrong, wrong, "right one"});
  EXPECT_EQ(never.ExitCode, 3) << never.Stdout;
  EXPECT_EQ(Prompts(never.Stdout), 3U) << never.Stdout;
  EXPECT_THAT(never.Stdout, HasSubstr("3 pass phrases tried; nothing was written"));
  EXPECT_EQ(Read("doc"), "the user's own file");
}

// "Grüße €" as typed on this system (UTF-8) and as the encrypting machine held it (cp1252).
constexpr const char* kTypedUtf8 =
    "Gr\xc3\xbc\xc3\x9f"
    "e \xe2\x82\xac";
constexpr const char* kCp1252 =
    "Gr\xfc\xdf"
    "e \x80";

TEST_F(ToolTest, ACodePageTurnsTheTypedPassphraseIntoTheEncryptingMachinesBytes) {
  Write("made-elsewhere.2crypt",
        EncryptWithLibrary(EncryptionMethod::kRijndael, "from a cp1252 machine", kCp1252));

  ToolCall call;
  call.Arguments = {"decrypt", "--codepage", "cp1252", "made-elsewhere.2crypt"};
  call.WorkingDirectory = directory_.Path().string();
  const ToolRun typed = RunToolOnTerminal(kOstrel, call, {kTypedUtf8});
  EXPECT_EQ(typed.ExitCode, 0) << typed.Stdout;
  EXPECT_EQ(Read("made-elsewhere"), "from a cp1252 machine");

  EXPECT_EQ(OstrelKeyed({"key", "--method", "2", "--codepage", "cp1252"}, {}, kTypedUtf8).Stdout,
            KeyHex(EncryptionMethod::kRijndael, kCp1252));
  EXPECT_EQ(OstrelKeyed({"key", "--method", "2"}, {}, kTypedUtf8).Stdout,
            KeyHex(EncryptionMethod::kRijndael, kTypedUtf8));

  const ToolRun missing =
      OstrelKeyed({"key", "--method", "2", "--codepage", "cp1252"}, {}, "\xc4\x81");  // a macron
  EXPECT_EQ(missing.ExitCode, 2);
  EXPECT_THAT(missing.Stderr, HasSubstr("a character that code page cp1252 lacks"));
  const ToolRun unknown = OstrelKeyed({"key", "--method", "2", "--codepage", "no-such-page"});
  EXPECT_EQ(unknown.ExitCode, 2);
  EXPECT_THAT(unknown.Stderr, HasSubstr("unknown code page no-such-page"));
}

// A pass phrase typed with letters beyond ASCII that opens nothing as typed is tried in the common
// code pages: the one that opens the files is named, and with --codepage auto used.
TEST_F(ToolTest, TheCodePageThatOpensTheFilesIsNamedOrWithAutoUsed) {
  Write("made-elsewhere.2crypt",
        EncryptWithLibrary(EncryptionMethod::kRijndael, "from a cp1252 machine", kCp1252));

  const ToolRun named = OstrelKeyed({"decrypt", "made-elsewhere.2crypt"}, {}, kTypedUtf8);
  EXPECT_EQ(named.ExitCode, 3);
  EXPECT_THAT(named.Stderr, HasSubstr("this pass phrase opens the files when read as cp1252: add "
                                      "--codepage cp1252; nothing was written"));
  EXPECT_FALSE(Exists("made-elsewhere"));

  for (const char* command : {"verify", "decrypt"}) {
    SCOPED_TRACE(command);
    const ToolRun automatic =
        OstrelKeyed({command, "--codepage", "auto", "made-elsewhere.2crypt"}, {}, kTypedUtf8);
    EXPECT_EQ(automatic.ExitCode, 0) << automatic.Stderr;
    EXPECT_THAT(automatic.Stderr,
                HasSubstr("the pass phrase opens the files when read as cp1252; using cp1252"));
  }
  EXPECT_EQ(Read("made-elsewhere"), "from a cp1252 machine");

  // A phrase that opens the files as typed is used as typed; nothing else has files to try on.
  Write("made-here.2crypt", EncryptWithLibrary(EncryptionMethod::kRijndael, "here", kTypedUtf8));
  const ToolRun asTyped =
      OstrelKeyed({"decrypt", "--codepage", "auto", "made-here.2crypt"}, {}, kTypedUtf8);
  EXPECT_EQ(asTyped.ExitCode, 0) << asTyped.Stderr;
  EXPECT_THAT(asTyped.Stderr, Not(HasSubstr("cp1252")));
  EXPECT_EQ(Read("made-here"), "here");
  const ToolRun key = OstrelKeyed({"key", "--method", "2", "--codepage", "auto"}, {}, kTypedUtf8);
  EXPECT_EQ(key.ExitCode, 2);
  EXPECT_THAT(key.Stderr, HasSubstr("--codepage auto needs files to try the pass phrase on"));
}

}  // namespace
}  // namespace ostrel::testing_support
