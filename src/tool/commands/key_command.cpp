// ostrel key: the key derived from the pass phrase, in hexadecimal, for use with other tools.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>

#include "secret/secret_text.h"
#include "tool/commands/shared_options.h"
#include "tool/commands/tool_commands.h"
#include "tool/keys/passphrase_input.h"

namespace ostrel {
namespace {

struct KeyOptions {
  EncryptionMethod Method = EncryptionMethod::kNone;
  PassphraseChoice Passphrase;
};

int PrintKey(const KeyOptions& options) {
  const std::unique_ptr<CipherKeys> keys = ObtainKeys(options.Passphrase, false, false);
  if (!keys)
    return 2;
  static constexpr char kDigits[] = "0123456789abcdef";
  SecretText text;
  const uint8_t* const key = keys->KeyFor(options.Method);
  for (int32_t i = 0; i < CipherMethodFor(options.Method).KeyLength; ++i) {
    text.Text().push_back(kDigits[key[i] >> 4]);
    text.Text().push_back(kDigits[key[i] & 0xF]);
  }
  text.Text().push_back('\n');
  if (std::fwrite(text.View().data(), 1, text.View().size(), stdout) != text.View().size() ||
      std::fflush(stdout) != 0) {
    std::perror("ostrel: standard output");
    return 1;
  }
  return 0;
}

class KeyCommandLine : public ToolCommand {
 public:
  CLI::App& AddTo(CLI::App& tool) override {
    CLI::App& command = *tool.add_subcommand(
        "key",
        "Print the key derived from the pass phrase, in hexadecimal, for use with other tools.");
    AddMethodOption(command, options_.Method,
                    "1: the 16-byte Triple-DES key, 2: the 32-byte Rijndael key");
    AddPassphraseOptions(command, options_.Passphrase);
    command.footer(
        "Exit status: 0 when the key was printed; 1 when standard output could not take it; 2 for "
        "a usage error or when no pass phrase could be had.");
    return command;
  }

  void CheckUsage() override {
    CheckPassphraseChoice(options_.Passphrase);
    if (options_.Method == EncryptionMethod::kNone)
      RefuseUsage("key needs --method 1 or --method 2");
  }

  int Run() override { return PrintKey(options_); }

 private:
  KeyOptions options_;
};

}  // namespace

std::unique_ptr<ToolCommand> KeyCommand() {
  return std::make_unique<KeyCommandLine>();
}

}  // namespace ostrel
