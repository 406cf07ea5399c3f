// The encoded-name decoder on any UTF-16 name, and the decrypt request's planning on any 8-bit path
// in both path styles. Names come from backup trees that anyone may have written.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "errors/exceptions.h"
#include "names/encoded_name.h"
#include "names/request_plan.h"
#include "property_check.h"

namespace ostrel {
namespace {

bool IsAsciiDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

char16_t LowerAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// ".Ncrypt" at the end, N an ASCII digit, "crypt" in any case: the digit, or -1.
int CryptDigit(std::u16string_view name) {
  if (name.size() < 7)
    return -1;
  const std::u16string_view suffix = name.substr(name.size() - 7);
  if (suffix[0] != u'.' || !IsAsciiDigit(suffix[1]))
    return -1;
  const std::u16string_view word = u"crypt";
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (LowerAscii(suffix[2 + i]) != word[i])
      return -1;
  }
  return suffix[1] - u'0';
}

// The only failure the decoder knows: a time stamp naming a day its month lacks.
bool IsDateError(const EConvertError& error) {
  const std::string& message = error.Message();
  const std::string_view tail = "'' is not a valid date and time";
  return message.size() > 2 + tail.size() && message.rfind("''", 0) == 0 &&
         message.compare(message.size() - tail.size(), tail.size(), tail) == 0;
}

void CheckDecoder(std::u16string_view name) {
  DecodedFileName decoded{};
  try {
    decoded = DecodeFileName(name);
  } catch (const EConvertError& error) {
    OSTREL_CHECK(IsDateError(error));
    return;
  }
  const int method = MethodNumber(decoded.Method);
  OSTREL_CHECK(method >= 0 && method <= 7);
  const int digit = CryptDigit(name);
  // The method comes from the encryption suffix alone, and the suffix always comes off.
  OSTREL_CHECK(method == (digit < 0 ? 0 : digit % 8));
  OSTREL_CHECK(EncodedMethod(name) == decoded.Method);
  if (digit >= 0) {
    OSTREL_CHECK(decoded.PlainName.size() + 7 <= name.size());
  } else {
    OSTREL_CHECK(decoded.PlainName.size() <= name.size());
  }
  // Every rule but the time stamp's cuts the end off, so the plain name with its stamp put back
  // is where a bare name started (a separator would split a directory off).
  const std::u16string restored = PlainNameWithTimeStamp(decoded);
  OSTREL_CHECK(name.find(u'/') != std::u16string_view::npos ||
               name.substr(0, restored.size()) == restored);
  if (decoded.TimeStamp) {
    const NameTimeStamp& stamp = *decoded.TimeStamp;
    OSTREL_CHECK(stamp.Text.size() == 18 && stamp.Position <= decoded.PlainName.size());
    OSTREL_CHECK(stamp.Year >= 1800 && stamp.Month >= 1 && stamp.Month <= 12 && stamp.Day >= 1 &&
                 stamp.Day <= 31 && stamp.Hour <= 23 && stamp.Minute <= 59 && stamp.Second <= 59);
  }
  // A second decoding of the same name gives the same answer: the rules keep no state.
  const DecodedFileName again = DecodeFileName(name);
  OSTREL_CHECK(again.Method == decoded.Method && again.PlainName == decoded.PlainName);
}

void CheckPlanning(std::string_view path, PathStyle style) {
  DecryptPlanning planning{};
  try {
    planning = PlanDecryptRequest(path, style);
  } catch (const EConvertError& error) {
    OSTREL_CHECK(IsDateError(error));
    return;
  } catch (const EFCreateError& error) {
    // Only a name whose suffixes are all there is to it is refused, before anything exists.
    const std::string& message = error.Message();
    const std::string_view tail = kDecodesToNothing;
    OSTREL_CHECK(message.size() >= tail.size() &&
                 message.compare(message.size() - tail.size(), tail.size(), tail) == 0);
    return;
  }
  OSTREL_CHECK(planning.Plan.InputPath == path);
  OSTREL_CHECK(!planning.Plan.Encrypt);
  if (planning.Outcome != DecryptOutcome::Run)
    return;
  OSTREL_CHECK(SelectsCipher(planning.Plan.Method));
  // The output is built from the input with suffixes removed and at most ".zip" added back, so it
  // is always shorter: a decrypt request can never name its own input as its output.
  OSTREL_CHECK(planning.Plan.OutputPath.size() < path.size());
  const bool zipAdded = path.find(".zip.") != std::string_view::npos;
  const std::string& output = planning.Plan.OutputPath;
  OSTREL_CHECK(!zipAdded ||
               (output.size() >= 4 && output.compare(output.size() - 4, 4, ".zip") == 0));
}

}  // namespace
}  // namespace ostrel

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace ostrel;
  // The bytes as UTF-16 code units (little-endian pairs), any value allowed, lone surrogates too.
  std::u16string name;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    name.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  }
  CheckDecoder(name);
  // The same bytes as a 8-bit name, widened one byte to one unit, which reaches the ASCII rules
  // more often than pairs do.
  CheckDecoder(std::u16string(data, data + size));

  const std::string_view path(reinterpret_cast<const char*>(data), size);
  CheckPlanning(path, PathStyle::Windows);
  CheckPlanning(path, PathStyle::Posix);
  return 0;
}
