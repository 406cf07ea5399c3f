#include "shell/request_execution.h"

#include <memory>

#include "cipher/cipher_components.h"
#include "platform/text_conversion.h"

namespace ostrel {
namespace {

std::unique_ptr<TSymmetricCipher> CreateComponent(EncryptionMethod method) {
  if (method == EncryptionMethod::kTripleDes)
    return std::make_unique<TTripleDes>();
  auto rijndael = std::make_unique<TRijndael>();
  // Before the key is generated: GenerateKey fills as many bytes as the key size asks for.
  rijndael->SetKeySize(ks256);
  return rijndael;
}

}  // namespace

void ExecuteRequest(const RequestPlan& plan, std::string_view passphrase) {
  const std::unique_ptr<TSymmetricCipher> component = CreateComponent(plan.Method);
  component->GenerateKey(passphrase);
  const std::u16string input = WidenSystemText(plan.InputPath);
  const std::u16string output = WidenSystemText(plan.OutputPath);
  if (plan.Encrypt) {
    component->EncryptFile(input, output);
  } else {
    component->DecryptFile(input, output);
  }
}

}  // namespace ostrel
