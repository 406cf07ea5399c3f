#include "tool/keys/checked_passphrase.h"

#include <cstdio>
#include <string>

#include "errors/exceptions.h"
#include "secret/secret_text.h"
#include "tool/keys/code_page_guess.h"
#include "tool/keys/passphrase_input.h"

namespace ostrel {
namespace {

constexpr int kTries = 3;

bool AsksOnTerminal(const PassphraseChoice& choice) {
  return !choice.File && !choice.EnvironmentVariable && !choice.Descriptor;
}

}  // namespace

bool AnyPending(const std::vector<WorkItem>& items) {
  for (const WorkItem& item : items) {
    if (item.State == ItemState::Pending)
      return true;
  }
  return false;
}

std::vector<WorkItem> SampleOfPending(const std::vector<WorkItem>& items) {
  JudgementSample sample;
  for (const WorkItem& item : items) {
    if (item.State == ItemState::Pending)
      sample.Offer(item);
  }
  return sample.Take();
}

CheckedKeys ObtainCheckedKeys(const PassphraseChoice& chosen, const std::vector<WorkItem>& sample,
                              const char* nothingDone) {
  CheckedKeys result;
  PassphraseChoice choice = chosen;
  const bool automaticCodePage = choice.CodePage == kAutomaticCodePage;
  // A code page the user named is the user's answer; without one, or with "auto", others are
  // tried when the pass phrase as typed opens nothing.
  const bool triesCodePages = !choice.CodePage || automaticCodePage;
  if (automaticCodePage)
    choice.CodePage.reset();
  const bool canAskAgain = AsksOnTerminal(choice);
  for (int attempt = 1; attempt <= kTries; ++attempt) {
    SecretText passphrase;
    try {
      ReadPassphrase(choice, false, passphrase);
    } catch (const Exception& error) {
      (void)std::fprintf(stderr, "ostrel: %s\n", error.Message().c_str());
      result.ExitStatus = 2;
      return result;
    }
    auto keys = std::make_unique<CipherKeys>(passphrase.View());
    const PassphraseJudgement judgement = JudgePassphrase(*keys, sample);
    if (judgement.Right()) {
      result.Keys = std::move(keys);
      result.Judgement = judgement;
      return result;
    }
    if (triesCodePages && judgement.Opened == 0 && HasCharactersBeyondAscii(passphrase.View())) {
      if (std::optional<CodePageMatch> match = FindOpeningCodePage(passphrase.View(), sample)) {
        if (automaticCodePage) {
          (void)std::fprintf(stderr,
                             "ostrel: the pass phrase opens the files when read as %s; using "
                             "%s\n",
                             match->CodePage.c_str(), match->CodePage.c_str());
          result.Keys = std::move(match->Keys);
          result.Judgement = match->Judgement;
          return result;
        }
        // Asking again would not help: the pass phrase is right, its bytes are not.
        (void)std::fprintf(stderr,
                           "ostrel: this pass phrase opens the files when read as %s: add "
                           "--codepage %s; nothing was %s\n",
                           match->CodePage.c_str(), match->CodePage.c_str(), nothingDone);
        result.ExitStatus = 3;
        return result;
      }
    }
    result.Judgement = judgement;  // of the last pass phrase tried, when it ends the run
    if (!canAskAgain) {
      (void)std::fprintf(stderr, "ostrel: the pass phrase %s; nothing was %s\n",
                         judgement.Summary().c_str(), nothingDone);
      result.ExitStatus = 3;
      return result;
    }
    (void)std::fprintf(stderr, "ostrel: that pass phrase %s\n", judgement.Summary().c_str());
  }
  (void)std::fprintf(stderr, "ostrel: %d pass phrases tried; nothing was %s\n", kTries,
                     nothingDone);
  result.ExitStatus = 3;
  return result;
}

}  // namespace ostrel
