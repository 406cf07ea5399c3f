#include "tool/keys/passphrase_judgement.h"

#include "tool/restore/final_block_check.h"

namespace ostrel {

void JudgementSample::Offer(const WorkItem& item) {
  if (offered_++ % stride_ != 0)
    return;
  kept_.push_back(item);
  if (kept_.size() < 2 * kJudgedFiles)
    return;
  std::vector<WorkItem> thinned;
  thinned.reserve(kJudgedFiles);
  for (std::size_t i = 0; i < kept_.size(); i += 2)
    thinned.push_back(std::move(kept_[i]));
  kept_ = std::move(thinned);
  stride_ *= 2;
}

std::vector<WorkItem> JudgementSample::Take() {
  if (kept_.size() <= kJudgedFiles)
    return std::move(kept_);
  // Between kJudgedFiles and twice that: evenly spaced ones of them.
  std::vector<WorkItem> sample;
  for (std::size_t i = 0; i < kJudgedFiles; ++i)
    sample.push_back(std::move(kept_[i * kept_.size() / kJudgedFiles]));
  kept_.clear();
  return sample;
}

std::string PassphraseJudgement::Summary() const {
  if (Tried == 1 && NotOpened.size() == 1)
    return "does not open " + NotOpened.front();
  return "opens " + std::to_string(Opened) + " of " + std::to_string(Tried) + " file" +
         (Tried == 1 ? "" : "s") + " tried";
}

PassphraseJudgement JudgePassphrase(const CipherKeys& keys, const std::vector<WorkItem>& sample) {
  PassphraseJudgement judgement;
  for (const WorkItem& item : sample) {
    const FileOutcome outcome = CheckFinalBlockOfFile(item, keys, false);
    if (outcome.Kind == OutcomeKind::Done) {
      ++judgement.Tried;
      ++judgement.Opened;
    } else if (outcome.PassphraseCheckFailed) {
      ++judgement.Tried;
      judgement.NotOpened.push_back(item.Input);
    }
  }
  return judgement;
}

}  // namespace ostrel
