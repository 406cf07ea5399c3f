#include "shell/request_execution.h"

#include <memory>
#include <optional>
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

// Runs the file operation of the plan. Once the output has been created, a failure removes it: a
// part of the file would pass for the whole of it (a full disk, a file-size limit, an input that
// ends early). Before that, the name may belong to a file that this request never touched (the
// input itself, a directory, an existing file kept by the check of the final block), so nothing
// is removed then. The failure itself is what the user is told; a partial file that cannot be
// removed either stays as the file operation left it.
void RunRequest(TSymmetricCipher& component, const RequestPlan& plan, const std::u16string& input,
                const std::u16string& output, const StopSwitch* stop) {
  const std::unique_ptr<BlockCipher> check =
      plan.Encrypt ? nullptr : MakeCipherFor(plan.Method, KeyOf(component, plan.Method), false);
  bool created = false;
  try {
    TransformFileStreams(input, output, check.get(), StreamLayout::kEcb,
                         [&](TStream& in, TStream& out) {
                           created = true;
                           std::optional<StoppableInput> watched;
                           if (stop != nullptr)
                             watched.emplace(in, *stop);
                           TStream& source = watched ? static_cast<TStream&>(*watched) : in;
                           if (plan.Encrypt) {
                             component.EncryptStream(source, out);
                           } else {
                             component.DecryptStream(source, out);
                           }
                         });
  } catch (const RequestStopped&) {
    throw RequestStopped(RemoveStoppedOutput(plan.OutputPath));
  } catch (...) {
    // Set by the run once the output exists, which the analyzer does not follow into the lambda.
    // cppcheck-suppress knownConditionTrueFalse
    if (created)
      (void)RemoveFile(plan.OutputPath);
    throw;
  }
}

}  // namespace

void ExecuteRequest(const RequestPlan& plan, std::string_view passphrase, const StopSwitch* stop) {
  const std::unique_ptr<TSymmetricCipher> component = CreateComponent(plan.Method);
  component->GenerateKey(passphrase);
  const std::u16string input = WidenSystemText(plan.InputPath);
  const std::u16string output = WidenSystemText(plan.OutputPath);
  RunRequest(*component, plan, input, output, stop);
}

}  // namespace ostrel
