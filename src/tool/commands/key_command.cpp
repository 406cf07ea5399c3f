// ostrel key: the key derived from the pass phrase, in hexadecimal, for use with other tools.
#include <cstdio>
#include <memory>

#include "primitives/secret_text.h"
#include "tool/keys/passphrase_input.h"
#include "tool/commands/tool_commands.h"

namespace ostrel {

int RunKeyCommand(const ToolOptions& options) {
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

}  // namespace ostrel
