#include "shell/requests.h"

#include "names/request_plan.h"
#include "shell/request_execution.h"

namespace ostrel {

void DecryptRequest(std::string_view path, std::string_view passphrase, UserMessages& messages) {
  const DecryptPlanning planning = PlanDecryptRequest(path, kHostPathStyle);
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
