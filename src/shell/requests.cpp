#include "shell/requests.h"

#include <string>

#include "names/request_plan.h"
#include "platform/physical_directory.h"
#include "shell/request_execution.h"

namespace ostrel {

void DecryptRequest(std::string_view path, std::string_view passphrase, UserMessages& messages) {
  // The output goes beside the file that is actually read. Windows-style paths keep the text
  // rule: there ".." is taken away as text by the system too.
  const std::string input =
      kHostPathStyle == PathStyle::Posix ? ResolveDotDotAfterLinks(path) : std::string(path);
  const DecryptPlanning planning = PlanDecryptRequest(input, kHostPathStyle);
  switch (planning.Outcome) {
    case DecryptOutcome::NoEncryption:
      messages.ShowNote("No encryption detected.");
      return;
    case DecryptOutcome::NoCipher:
      return;
    case DecryptOutcome::Run:
      ExecuteRequest(planning.Plan, passphrase);
      return;
  }
}

void EncryptRequest(std::string_view path, std::string_view passphrase) {
  ExecuteRequest(PlanEncryptRequest(path), passphrase);
}

}  // namespace ostrel
