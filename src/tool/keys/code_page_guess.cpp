#include "tool/keys/code_page_guess.h"

#include "platform/code_page_conversion.h"
#include "secret/secret_text.h"

namespace ostrel {
namespace {

// The Windows "ANSI" code pages, Western European first as the most common, then the DOS pages
// that older machines and consoles use. The locale's own encoding is the pass phrase as typed,
// which has been tried before these.
constexpr const char* kCommonCodePages[] = {
    "cp1252", "cp1250", "cp1251", "cp1253", "cp1254", "cp1255", "cp1256",
    "cp1257", "cp1258", "cp437",  "cp850",  "cp852",  "cp866",
};

}  // namespace

bool HasCharactersBeyondAscii(std::string_view passphrase) {
  for (const char byte : passphrase) {
    if (static_cast<unsigned char>(byte) >= 0x80)
      return true;
  }
  return false;
}

std::optional<CodePageMatch> FindOpeningCodePage(std::string_view passphrase,
                                                 const std::vector<WorkItem>& sample) {
  for (const char* codePage : kCommonCodePages) {
    SecretText converted;
    if (ConvertToCodePage(passphrase, codePage, converted.Text()) != CodePageResult::Converted)
      continue;
    auto keys = std::make_unique<CipherKeys>(converted.View());
    const PassphraseJudgement judgement = JudgePassphrase(*keys, sample);
    if (judgement.Tried > 0 && judgement.Right())
      return CodePageMatch{codePage, std::move(keys), judgement};
  }
  return std::nullopt;
}

}  // namespace ostrel
