// A pass phrase with letters beyond ASCII gives other bytes, and so another key, on a machine that
// holds text in another 8-bit code page: "ü" is one byte in the Windows code pages and two in
// UTF-8. When such a pass phrase opens none of a run's files, the code pages that the machines
// writing these files commonly use are tried in turn, so that the user hears which one opens them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tool/keys/cipher_keys.h"
#include "tool/keys/passphrase_judgement.h"
#include "tool/restore/work_list.h"

namespace ostrel {

struct CodePageMatch {
  std::string CodePage;  // as --codepage takes it: "cp1252"
  std::unique_ptr<CipherKeys> Keys;
  PassphraseJudgement Judgement;  // of those keys on the sample
};

bool HasCharactersBeyondAscii(std::string_view passphrase);

// The first code page, most common first, in which the pass phrase is judged right on the sample;
// nothing when none is. The converted pass phrase is wiped before this returns.
std::optional<CodePageMatch> FindOpeningCodePage(std::string_view passphrase,
                                                 const std::vector<WorkItem>& sample);

}  // namespace ostrel
