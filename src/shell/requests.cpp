#include "shell/requests.h"

#include <string>

#include "cipher/wide_file_stream.h"
#include "errors/exceptions.h"
#include "names/request_plan.h"
#include "platform/physical_directory.h"
#include "platform/text_conversion.h"
#include "shell/request_execution.h"

namespace ostrel {
namespace {

// A name that leaves no output name is reported for an input that exists: an input that cannot be
// opened is reported first, as it is for any other name.
DecryptPlanning PlanDecryption(const std::string& input) {
  try {
    return PlanDecryptRequest(input, kHostPathStyle);
  } catch (const EFCreateError&) {
    // The access bits and the sharing bits say two things, the first of them as zero.
    // cppcheck-suppress badBitmaskCheck
    const TWideFileStream opened(WidenSystemText(input), fmOpenRead | fmShareDenyWrite);
    throw;
  }
}

// A stop is the user's own doing: a note, not an error.
void ExecuteStoppable(const RequestPlan& plan, std::string_view passphrase, UserMessages& messages,
                      const StopSwitch* stop) {
  try {
    ExecuteRequest(plan, passphrase, stop);
  } catch (const RequestStopped& stopped) {
    messages.ShowNote(stopped.Note());
  }
}

}  // namespace

void DecryptRequest(std::string_view path, std::string_view passphrase, UserMessages& messages,
                    const StopSwitch* stop) {
  // The output goes beside the file that is actually read. Windows-style paths keep the text
  // rule: there ".." is taken away as text by the system too.
  const std::string input =
      kHostPathStyle == PathStyle::Posix ? ResolveDotDotAfterLinks(path) : std::string(path);
  const DecryptPlanning planning = PlanDecryption(input);
  switch (planning.Outcome) {
    case DecryptOutcome::NoEncryption:
      messages.ShowNote("No encryption detected.");
      return;
    case DecryptOutcome::NoCipher:
      return;
    case DecryptOutcome::Run:
      ExecuteStoppable(planning.Plan, passphrase, messages, stop);
      return;
  }
}

void EncryptRequest(std::string_view path, std::string_view passphrase) {
  ExecuteRequest(PlanEncryptRequest(path), passphrase);
}

void EncryptRequest(std::string_view path, std::string_view passphrase, UserMessages& messages,
                    const StopSwitch& stop) {
  ExecuteStoppable(PlanEncryptRequest(path), passphrase, messages, &stop);
}

}  // namespace ostrel
