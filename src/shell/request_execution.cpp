#include "shell/request_execution.h"

#include <memory>
#include <string>

#include "cipher/block_cipher.h"
#include "cipher/cipher_components.h"
#include "cipher/file_procedures.h"
#include "platform/error_text.h"
#include "platform/file_handle.h"
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

const uint8_t* KeyOf(const TSymmetricCipher& component, EncryptionMethod method) {
  if (method == EncryptionMethod::kTripleDes)
    return static_cast<const TTripleDes&>(component).Key();
  return static_cast<const TRijndael&>(component).Key();
}

// The input as the stream procedure sees it, ending the run when the user stops it. Every chunk
// of the input passes through Read, so a stop takes effect within one chunk.
class StoppableInput final : public TStream {
 public:
  StoppableInput(TStream& input, const StopSwitch& stop) : input_(input), stop_(stop) {}
  int64_t Size() override { return input_.Size(); }
  int64_t Position() override { return input_.Position(); }
  void SetPosition(int64_t position) override { input_.SetPosition(position); }
  int32_t Read(void* buffer, int32_t count) override {
    if (stop_.Stopped())
      throw RequestStopped(std::string());
    return input_.Read(buffer, count);
  }
  int32_t Write(const void* /*buffer*/, int32_t /*count*/) override { return 0; }

 private:
  TStream& input_;
  const StopSwitch& stop_;
};

// A stopped output holds only the first part of the file; the user asked for none of it.
std::string RemoveStoppedOutput(const std::string& path) {
  const int error = RemoveFile(path);
  if (error == 0)
    return "Stopped. The partial file \"" + path + "\" was removed.";
  return "Stopped. The partial file \"" + path +
         "\" could not be removed: " + SystemErrorText(error) + ".";
}

void RunStoppable(TSymmetricCipher& component, const RequestPlan& plan, const std::u16string& input,
                  const std::u16string& output, const StopSwitch& stop) {
  const std::unique_ptr<BlockCipher> check =
      plan.Encrypt ? nullptr : MakeCipherFor(plan.Method, KeyOf(component, plan.Method), false);
  try {
    TransformFileStreams(input, output, check.get(), StreamLayout::kEcb,
                         [&](TStream& in, TStream& out) {
                           StoppableInput watched(in, stop);
                           if (plan.Encrypt) {
                             component.EncryptStream(watched, out);
                           } else {
                             component.DecryptStream(watched, out);
                           }
                         });
  } catch (const RequestStopped&) {
    throw RequestStopped(RemoveStoppedOutput(plan.OutputPath));
  }
}

}  // namespace

void ExecuteRequest(const RequestPlan& plan, std::string_view passphrase, const StopSwitch* stop) {
  const std::unique_ptr<TSymmetricCipher> component = CreateComponent(plan.Method);
  component->GenerateKey(passphrase);
  const std::u16string input = WidenSystemText(plan.InputPath);
  const std::u16string output = WidenSystemText(plan.OutputPath);
  if (stop != nullptr) {
    RunStoppable(*component, plan, input, output, *stop);
  } else if (plan.Encrypt) {
    component->EncryptFile(input, output);
  } else {
    component->DecryptFile(input, output);
  }
}

}  // namespace ostrel
