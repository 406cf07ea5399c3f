#include "tool/keys/passphrase_input.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "errors/exceptions.h"
#include "platform/code_page_conversion.h"
#include "platform/environment_text.h"
#include "platform/error_text.h"
#include "platform/file_handle.h"
#include "platform/file_status.h"
#include "platform/terminal_input.h"
#include "platform/tool_features.h"

namespace ostrel {
namespace {

constexpr std::size_t kLongestPassphrase = SecretText::kCapacity / 2;

[[noreturn]] void Fail(const std::string& reason) {
  throw Exception(reason);
}

// The key comes from the code page's characters, so a pass phrase entered with others may not
// open files that were encrypted with it as typed on another machine.
void WarnApproximated(const std::string& source) {
  (void)std::fprintf(stderr,
                     "ostrel: warning: the pass phrase from %s has characters that this system's "
                     "code page lacks; the nearest ones it has are used instead\n",
                     source.c_str());
}

// The first line of an open handle, without its line ending. A byte at a time, so that nothing
// after the line is consumed from a pipe that also carries other data.
void ReadFirstLine(int handle, const std::string& source, std::string& line) {
  for (;;) {
    char byte = 0;
    const FileTransfer moved = ReadFromFile(handle, &byte, 1);
    if (moved.Error != 0)
      Fail("cannot read the pass phrase from " + source + ": " + SystemErrorText(moved.Error));
    if (moved.Bytes != 1)
      break;
    if (byte == '\n')
      break;
    if (line.size() >= kLongestPassphrase)
      Fail("the pass phrase from " + source + " is too long");
    line.push_back(byte);
  }
  if (!line.empty() && line.back() == '\r')
    line.pop_back();
}

void ReadFromNamedFile(const std::string& name, std::string& line) {
  if (name == "-") {
    ReadFirstLine(0, "standard input", line);
    return;
  }
  const OpenedFile file = OpenExistingStream(name);
  if (file.handle < 0)
    Fail(name + ": " + SystemErrorText(file.error));
  try {
    ReadFirstLine(file.handle, name, line);
  } catch (...) {
    CloseFile(file.handle);
    throw;
  }
  CloseFile(file.handle);
}

void ReadFromEnvironment(const std::string& variable, SecretText& passphrase) {
  SecretText value;
  const EnvironmentText found = ReadEnvironmentVariable(variable, value.Text());
  if (found == EnvironmentText::Missing)
    Fail("the environment variable " + variable + " is not set");
  if (value.View().size() > kLongestPassphrase)
    Fail("the pass phrase in " + variable + " is too long");
  if (found == EnvironmentText::Approximated)
    WarnApproximated(variable);
  passphrase.Text().append(value.View());
}

bool AskOnce(const char* prompt, SecretText& passphrase) {
  bool approximated = false;
  if (!ReadHiddenLineFromTerminal(prompt, passphrase.Text(), approximated))
    return false;
  if (approximated)
    WarnApproximated(std::string("the ") + kTerminalName);
  return true;
}

void AskOnTerminal(bool confirm, SecretText& passphrase) {
  if (!AskOnce("Pass phrase: ", passphrase))
    Fail(std::string("no pass phrase from the ") + kTerminalName +
         (kPassphraseDescriptors
              ? " (without one, use --passphrase-file, --passphrase-env or --passphrase-fd)"
              : " (without one, use --passphrase-file or --passphrase-env)"));
  if (!confirm)
    return;
  SecretText again;
  if (!AskOnce("Pass phrase again: ", again))
    Fail("the pass phrase was not confirmed");
  if (again.View() != passphrase.View())
    Fail("the two pass phrases differ");
}

void ConvertCodePage(const std::string& codePage, SecretText& passphrase) {
  SecretText converted;
  switch (ConvertToCodePage(passphrase.View(), codePage, converted.Text())) {
    case CodePageResult::Converted:
      break;
    case CodePageResult::UnknownCodePage:
      Fail("unknown code page " + codePage);
    case CodePageResult::MissingCharacter:
    case CodePageResult::InvalidInput:
      Fail("the pass phrase has a character that code page " + codePage + " lacks");
  }
  passphrase.Wipe();
  passphrase.Text().append(converted.View());
}

}  // namespace

void ReadPassphrase(const PassphraseChoice& choice, bool confirm, SecretText& passphrase) {
  if (choice.File) {
    ReadFromNamedFile(*choice.File, passphrase.Text());
  } else if (choice.EnvironmentVariable) {
    ReadFromEnvironment(*choice.EnvironmentVariable, passphrase);
  } else if (choice.Descriptor) {
    const std::string source = "file descriptor " + std::to_string(*choice.Descriptor);
    // A descriptor that is not open would read as an empty pass phrase.
    const FileStatus status = StatusOfHandle(*choice.Descriptor);
    if (status.Error != 0)
      Fail(source + ": " + SystemErrorText(status.Error));
    ReadFirstLine(*choice.Descriptor, source, passphrase.Text());
  } else {
    AskOnTerminal(confirm, passphrase);
  }
  if (choice.CodePage == kAutomaticCodePage)
    Fail(
        "--codepage auto needs files to try the pass phrase on: use it with decrypt, verify or "
        "mount, or name the code page");
  if (choice.CodePage)
    ConvertCodePage(*choice.CodePage, passphrase);
}

std::unique_ptr<CipherKeys> ObtainKeys(const PassphraseChoice& choice, bool confirm,
                                       bool refuseEmpty) {
  try {
    SecretText passphrase;
    ReadPassphrase(choice, confirm, passphrase);
    if (refuseEmpty && passphrase.Empty())
      Fail("an empty pass phrase is refused");
    return std::make_unique<CipherKeys>(passphrase.View());
  } catch (const Exception& error) {
    (void)std::fprintf(stderr, "ostrel: %s\n", error.Message().c_str());
    return nullptr;
  }
}

}  // namespace ostrel
