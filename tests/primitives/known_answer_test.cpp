// One harness for every known-answer file under the test data folder. A line is
//   cipher key input output
// in hexadecimal ("-" for an empty field); "#" starts a comment. Block ciphers are checked in both
// directions, the digest fed at once, byte by byte and through PassphraseToKey.
#include <gtest/gtest.h>

#include <charconv>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "hex.h"
#include "primitives/des.h"
#include "primitives/feistel128.h"
#include "primitives/fold_digest.h"
#include "primitives/rijndael.h"

namespace ostrel {
namespace {

using test::ParseHex;
using test::ToHex;

struct KnownAnswer {
  int lineNumber = 0;
  std::string cipher;
  std::vector<uint8_t> key;
  std::vector<uint8_t> input;
  std::vector<uint8_t> output;
};

// Reads the file; malformed lines are reported as failures, not skipped.
std::vector<KnownAnswer> ReadKnownAnswers(const std::string& path) {
  std::ifstream file(path);
  EXPECT_TRUE(file.is_open()) << "cannot open " << path;
  std::vector<KnownAnswer> answers;
  std::string line;
  for (int lineNumber = 1; std::getline(file, line); ++lineNumber) {
    if (const size_t comment = line.find('#'); comment != std::string::npos) {
      line.erase(comment);
    }
    std::istringstream fields(line);
    std::string cipher, key, input, output, extra;
    if (!(fields >> cipher)) {
      continue;
    }
    auto field = [](const std::string& text) {
      return text == "-" ? std::optional<std::vector<uint8_t>>(std::vector<uint8_t>{})
                         : ParseHex(text);
    };
    fields >> key >> input >> output;
    auto keyBytes = field(key);
    auto inputBytes = field(input);
    auto outputBytes = field(output);
    if (output.empty() || (fields >> extra) || !keyBytes || !inputBytes || !outputBytes) {
      ADD_FAILURE() << path << ":" << lineNumber << ": malformed line";
      continue;
    }
    answers.push_back({lineNumber, cipher, *keyBytes, *inputBytes, *outputBytes});
  }
  return answers;
}

// Runs transform on a copy of input under an encrypting and a decrypting context.
template <typename Context, typename Init, typename Transform>
void CheckBlockCipher(const KnownAnswer& answer, size_t keySize, size_t blockSize, Init init,
                      Transform transform) {
  ASSERT_EQ(answer.key.size(), keySize);
  ASSERT_EQ(answer.input.size(), blockSize);
  ASSERT_EQ(answer.output.size(), blockSize);

  Context encrypting;
  init(answer.key.data(), encrypting, true);
  std::vector<uint8_t> block = answer.input;
  transform(encrypting, block.data());
  EXPECT_EQ(ToHex(block), ToHex(answer.output)) << "encrypting";

  Context decrypting;
  init(answer.key.data(), decrypting, false);
  block = answer.output;
  transform(decrypting, block.data());
  EXPECT_EQ(ToHex(block), ToHex(answer.input)) << "decrypting";
}

void CheckFoldDigest(const KnownAnswer& answer) {
  ASSERT_TRUE(answer.key.empty());
  const auto outLength = static_cast<int32_t>(answer.output.size());
  const auto inLength = static_cast<int32_t>(answer.input.size());

  std::vector<uint8_t> digest(answer.output.size());
  FoldDigest(digest.data(), outLength, answer.input.data(), inLength);
  EXPECT_EQ(ToHex(digest), ToHex(answer.output)) << "one feed";

  FoldDigestContext context;
  InitFoldDigest(context);
  for (uint8_t byte : answer.input) {
    UpdateFoldDigest(context, &byte, 1);
  }
  std::fill(digest.begin(), digest.end(), 0);
  FinishFoldDigest(context, digest.data(), outLength);
  EXPECT_EQ(ToHex(digest), ToHex(answer.output)) << "byte by byte";

  const std::string passphrase(answer.input.begin(), answer.input.end());
  std::fill(digest.begin(), digest.end(), 0);
  PassphraseToKey(digest.data(), outLength, passphrase);
  EXPECT_EQ(ToHex(digest), ToHex(answer.output)) << "as a pass phrase";
}

void Check(const KnownAnswer& answer) {
  const std::string& cipher = answer.cipher;
  if (cipher == "des") {
    CheckBlockCipher<DesContext>(answer, 8, kDesBlockSize, InitDesContext, DesBlock);
  } else if (cipher == "tdes") {
    CheckBlockCipher<TripleDesContext>(answer, kTripleDesKeySize, kDesBlockSize,
                                       InitTripleDesContext, TripleDesBlock);
  } else if (cipher == "aes") {
    const size_t keySize = answer.key.size();
    auto init = [keySize](const uint8_t* key, RijndaelContext& context, bool encrypt) {
      InitRijndaelContext(key, static_cast<int32_t>(keySize), context, encrypt);
    };
    ASSERT_TRUE(keySize == 16 || keySize == 24 || keySize == 32);
    CheckBlockCipher<RijndaelContext>(answer, keySize, kRijndaelBlockSize, init, RijndaelBlock);
  } else if (cipher.starts_with("feistel128:")) {
    int32_t rounds = 0;
    const char* first = cipher.data() + cipher.find(':') + 1;
    ASSERT_EQ(std::from_chars(first, cipher.data() + cipher.size(), rounds).ec, std::errc());
    auto init = [rounds](const uint8_t* key, Feistel128Context& context, bool encrypt) {
      InitFeistel128Context(key, context, rounds, encrypt);
    };
    CheckBlockCipher<Feistel128Context>(answer, 16, 16, init, Feistel128Block);
  } else if (cipher == "fold-digest") {
    CheckFoldDigest(answer);
  } else {
    ADD_FAILURE() << "unknown cipher " << cipher;
  }
}

class KnownAnswerFile : public testing::TestWithParam<const char*> {};

TEST_P(KnownAnswerFile, EveryLineHolds) {
  const std::string path = std::string(OSTREL_TEST_DATA_DIR) + "/" + GetParam();
  const std::vector<KnownAnswer> answers = ReadKnownAnswers(path);
  ASSERT_FALSE(answers.empty()) << path << " holds no answers";
  for (const KnownAnswer& answer : answers) {
    SCOPED_TRACE(std::string(GetParam()) + ":" + std::to_string(answer.lineNumber));
    Check(answer);
  }
}

INSTANTIATE_TEST_SUITE_P(Primitives, KnownAnswerFile,
                         testing::Values("des.kat", "triple_des.kat", "rijndael.kat",
                                         "feistel128.kat", "fold_digest.kat"),
                         [](const testing::TestParamInfo<const char*>& file) {
                           std::string name = file.param;
                           name = name.substr(0, name.find('.'));
                           std::erase(name, '_');
                           return name;
                         });

}  // namespace
}  // namespace ostrel
