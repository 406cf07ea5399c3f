#include "shell/request_progress.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "errors/exceptions.h"
#include "names/human_size.h"
#include "names/request_plan.h"

namespace ostrel {
namespace {

// 0 for a file that is not there (yet) or cannot be examined: progress is only shown, never
// relied upon.
std::uintmax_t FileSizeOrZero(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  return error ? 0 : size;
}

}  // namespace

RequestProgress::RequestProgress(const std::string& inputPath, std::string outputPath)
    : known_(true), outputPath_(std::move(outputPath)), total_(FileSizeOrZero(inputPath)) {}

RequestProgress RequestProgress::ForDecrypt(std::string_view path) {
  try {
    const DecryptPlanning planning = PlanDecryptRequest(path, kHostPathStyle);
    if (planning.Outcome != DecryptOutcome::Run)
      return {};
    return {planning.Plan.InputPath, planning.Plan.OutputPath};
  } catch (const Exception&) {
    // A name that cannot be planned has no output to watch; the request itself raises the same
    // error and the user sees it there.
    return {};
  }
}

RequestProgress RequestProgress::ForEncrypt(std::string_view path) {
  const RequestPlan plan = PlanEncryptRequest(path);
  return {plan.InputPath, plan.OutputPath};
}

std::uintmax_t RequestProgress::Done() const {
  return known_ ? std::min(FileSizeOrZero(outputPath_), total_) : 0;
}

int RequestProgress::PerMille() const {
  if (!known_ || total_ == 0)
    return -1;
  return static_cast<int>(Done() * 1000 / total_);
}

std::string RequestProgress::AmountText() const {
  if (!known_ || total_ == 0)
    return {};
  return HumanSize(static_cast<int64_t>(Done())) + " of " + HumanSize(static_cast<int64_t>(total_));
}

}  // namespace ostrel
