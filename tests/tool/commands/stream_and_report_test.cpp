// Pipes in the exact file layout, the reports a script reads (JSON, names, verify) and the usage
// errors.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "tool_fixture.h"

namespace ostrel::testing_support {
namespace {

using ::testing::HasSubstr;

std::vector<nlohmann::json> JsonLines(const std::string& text) {
  std::vector<nlohmann::json> objects;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    objects.push_back(nlohmann::json::parse(line));
  return objects;
}

TEST_F(ToolTest, PipesCarryExactlyTheFileLayout) {
  // Around the block sizes and around the tool's 256 KiB reading chunk.
  for (const std::size_t size : {0, 1, 7, 8, 15, 16, 17, 262143, 262144, 262145, 262160, 600000}) {
    const std::string plain = PatternBytes(size, static_cast<int>(size));
    const ToolRun encrypted = OstrelKeyed({"encrypt", "-"}, plain);
    ASSERT_EQ(encrypted.ExitCode, 0) << size << ": " << encrypted.Stderr;
    EXPECT_EQ(encrypted.Stdout, EncryptWithLibrary(EncryptionMethod::kRijndael, plain, kPassphrase))
        << size;

    for (const EncryptionMethod method :
         {EncryptionMethod::kTripleDes, EncryptionMethod::kRijndael}) {
      const std::string number = std::to_string(MethodNumber(method));
      const ToolRun decrypted = OstrelKeyed({"decrypt", "-", "--method", number},
                                            EncryptWithLibrary(method, plain, kPassphrase));
      EXPECT_EQ(decrypted.ExitCode, 0) << size << ": " << decrypted.Stderr;
      EXPECT_EQ(decrypted.Stdout, plain) << size << " method " << number;
    }
  }
}

TEST_F(ToolTest, ABrokenPipeInputIsRefused) {
  const std::string encrypted =
      EncryptWithLibrary(EncryptionMethod::kRijndael, PatternBytes(300000), kPassphrase);
  const ToolRun truncated =
      OstrelKeyed({"decrypt", "-", "--method", "2"}, encrypted.substr(0, 299999));
  EXPECT_EQ(truncated.ExitCode, 1);
  EXPECT_THAT(truncated.Stderr, HasSubstr("ostrel: -: truncated or not an encrypted file"));

  const std::string wrong = PassphraseFailingTailCheck(EncryptionMethod::kRijndael, encrypted);
  const ToolRun garbled = OstrelKeyed({"decrypt", "-", "--method", "2"}, encrypted, wrong);
  EXPECT_EQ(garbled.ExitCode, 3);
  EXPECT_THAT(garbled.Stderr, HasSubstr("wrong pass phrase or damaged file"));
}

// Every way in meets the same final-block rule: inputs too short to hold a block, and a final
// block whose tail count is exactly the block size, which no writer makes.
TEST_F(ToolTest, BadEndingsAreRefusedAlikeThroughFilesPipesAndVerify) {
  for (const EncryptionMethod method :
       {EncryptionMethod::kTripleDes, EncryptionMethod::kRijndael}) {
    const auto b = static_cast<std::size_t>(CipherMethodFor(method).BlockSize);
    const std::string suffix = CipherMethodFor(method).Suffix;
    const std::string data = PatternBytes(b, 3);
    std::string countOfB(b, '\0');
    countOfB.back() = static_cast<char>(b);
    // ECB encrypts each block alone: the first two blocks of the encrypted data + countOfB are a
    // stream whose final block decrypts to a tail count of B.
    const std::string tailCountOfB =
        EncryptWithLibrary(method, data + countOfB, kPassphrase).substr(0, 2 * b);
    struct Case {
      const char* what;
      std::string stored;
      const char* reason;
      int exitStatus;          // 3: only the final block failed
      std::string pipeOutput;  // the blocks before the final one
    };
    const Case cases[] = {
        {"empty", "", "truncated or not an encrypted file", 1, ""},
        {"one byte", "x", "truncated or not an encrypted file", 1, ""},
        {"a block less one byte", std::string(b - 1, 'x'), "truncated or not an encrypted file", 1,
         ""},
        {"tail count of B", tailCountOfB, "wrong pass phrase or damaged file", 3, data},
    };
    const std::string methodText = std::to_string(MethodNumber(method));
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + " method " + methodText);
      const ToolRun pipe = OstrelKeyed({"decrypt", "-", "--method", methodText}, c.stored);
      EXPECT_EQ(pipe.ExitCode, c.exitStatus);
      EXPECT_THAT(pipe.Stderr, HasSubstr(c.reason));
      EXPECT_EQ(pipe.Stdout, c.pipeOutput);

      Write("f" + suffix, c.stored);
      // A file, unlike a stream, is judged before it is worked on: the one file tried does not
      // open, so the pass phrase is wrong.
      const std::string fileReason =
          c.exitStatus == 3 ? "the pass phrase does not open f" + suffix : c.reason;
      const ToolRun file = OstrelKeyed({"decrypt", "f" + suffix});
      EXPECT_EQ(file.ExitCode, c.exitStatus);
      EXPECT_THAT(file.Stderr, HasSubstr(fileReason));
      EXPECT_FALSE(Exists("f"));

      const ToolRun verifyFile = OstrelKeyed({"verify", "f" + suffix});
      EXPECT_EQ(verifyFile.ExitCode, c.exitStatus);
      EXPECT_THAT(verifyFile.Stderr, HasSubstr(fileReason));
      const ToolRun verifyPipe = OstrelKeyed({"verify", "-", "--method", methodText}, c.stored);
      EXPECT_EQ(verifyPipe.ExitCode, c.exitStatus);
      EXPECT_THAT(verifyPipe.Stderr, HasSubstr(c.reason));
    }
  }
}

TEST_F(ToolTest, StandardOutputTakesThePlainTextOfFilesInOrder) {
  Write("a.2crypt", EncryptWithLibrary(EncryptionMethod::kRijndael, "first ", kPassphrase));
  Write("b.1crypt", EncryptWithLibrary(EncryptionMethod::kTripleDes, "second", kPassphrase));

  const ToolRun run = OstrelKeyed({"decrypt", "-c", "a.2crypt", "b.1crypt"});

  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(run.Stdout, "first second");
  EXPECT_FALSE(Exists("a"));
}

TEST_F(ToolTest, JsonGivesOneObjectPerFile) {
  Write("t/ok.2crypt", EncryptWithLibrary(EncryptionMethod::kRijndael, "12345", kPassphrase));
  Write("t/bad.2crypt", "x");
  Write("t/skip.txt", "plain");
  // The lowest and the highest byte that UTF-8 never holds alone.
  Write("t/\x80.2crypt", EncryptWithLibrary(EncryptionMethod::kRijndael, "low", kPassphrase));
  Write("t/\xff.2crypt", EncryptWithLibrary(EncryptionMethod::kRijndael, "odd", kPassphrase));

  const ToolRun run = OstrelKeyed({"decrypt", "-r", "t", "--in-place", "--json", "-j", "1"});

  EXPECT_EQ(run.ExitCode, 1);
  const std::vector<nlohmann::json> objects = JsonLines(run.Stdout);
  ASSERT_EQ(objects.size(), 5U) << run.Stdout;
  std::map<std::string, nlohmann::json> byResult;
  for (const nlohmann::json& object : objects)
    byResult[object["input"].get<std::string>().substr(2, 2)] = object;
  EXPECT_EQ(byResult["ok"]["result"], "ok");
  EXPECT_EQ(byResult["ok"]["output"], "t/ok");
  EXPECT_EQ(byResult["ok"]["method"], 2);
  EXPECT_EQ(byResult["ok"]["bytes"], 5);
  EXPECT_FALSE(byResult["ok"].contains("input_hex"));
  EXPECT_EQ(byResult["ba"]["result"], "failed");
  EXPECT_EQ(byResult["ba"]["reason"], "truncated or not an encrypted file");
  EXPECT_EQ(byResult["sk"]["result"], "skipped");
  // A name that is not UTF-8 keeps its exact bytes beside the readable form.
  const nlohmann::json low = objects[3];  // names in byte order: 0x80, then 0xff last
  const nlohmann::json odd = objects.back();
  EXPECT_EQ(low["input_hex"], "742f802e326372797074");
  EXPECT_EQ(low["output_hex"], "742f80");
  EXPECT_EQ(odd["input_hex"], "742fff2e326372797074");
  EXPECT_EQ(odd["output_hex"], "742fff");
  // The readable form marks the byte it cannot show; dropping it would name another file.
  EXPECT_EQ(odd["input"], "t/\xef\xbf\xbd.2crypt");
  EXPECT_EQ(odd["result"], "ok");
  EXPECT_EQ(Read("t/\xff"), "odd");
}

TEST_F(ToolTest, NamesShowWhatEachNameCarries) {
  const ToolRun run =
      Ostrel({"names", "dir.zip.x/report.doc.s1500.zip.2crypt", "x.s9000000.incomplete.2crypt",
              "notes.d20240131-t235959.txt.1crypt", "plain.txt", "x.5crypt", "d/.2crypt"});
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(run.Stdout,
            "dir.zip.x/report.doc.s1500.zip.2crypt: method 2 (Rijndael-256), plain name "
            "report.doc, output dir.zip.x/report.doc.zip, plain size 1500, archive\n"
            "x.s9000000.incomplete.2crypt: method 2 (Rijndael-256), plain name x, output x, "
            "plain size 9000000, incomplete\n"
            "notes.d20240131-t235959.txt.1crypt: method 1 (Triple-DES), plain name notes.txt, "
            "output notes.txt, time stamp 2024-01-31 23:59:59\n"
            "plain.txt: no encryption detected\n"
            "x.5crypt: method 5 selects no cipher\n"
            "d/.2crypt: method 2 (Rijndael-256), but the name decodes to nothing\n");

  const ToolRun json =
      Ostrel({"names", "--json", "a.s40.2crypt", "x.d20230230-t120000.txt.2crypt"});
  EXPECT_EQ(json.ExitCode, 1);
  const std::vector<nlohmann::json> objects = JsonLines(json.Stdout);
  ASSERT_EQ(objects.size(), 2U);
  EXPECT_EQ(objects[0]["plain_size"], 40);
  EXPECT_EQ(objects[0]["time_stamp"], nullptr);
  EXPECT_EQ(objects[1]["error"], "''2023/2/30 12:0:0.0'' is not a valid date and time");

  // Every fact of a name, each under its key, whether it is there or not.
  const ToolRun facts = Ostrel({"names", "--json", "x.s9000000.incomplete.2crypt",
                                "r.d20240131-t120000.doc.s7.zip.s99.1crypt"});
  const std::vector<nlohmann::json> described = JsonLines(facts.Stdout);
  ASSERT_EQ(described.size(), 2U);
  EXPECT_EQ(described[0].dump(),
            R"({"archive":false,"cipher":"Rijndael-256","incomplete":true,)"
            R"("input":"x.s9000000.incomplete.2crypt","method":2,"output":"x","plain_name":"x",)"
            R"("plain_size":9000000,"time_stamp":null})");
  EXPECT_EQ(described[1]["archive"], true);
  EXPECT_EQ(described[1]["incomplete"], false);
  EXPECT_EQ(described[1]["plain_size"], 7);
  EXPECT_EQ(described[1]["time_stamp"], "2024-01-31 12:00:00");
  EXPECT_EQ(described[1]["method"], 1);
}

TEST_F(ToolTest, VerifyJudgesFromTheLastBlockAndSaysHowStrongTheAnswerIs) {
  std::string good =
      EncryptWithLibrary(EncryptionMethod::kRijndael, PatternBytes(100), kPassphrase);
  good[0] = static_cast<char>(good[0] ^ 1);  // only the last block is read: this goes unseen
  Write("good.2crypt", good);
  Write("triple.1crypt", EncryptWithLibrary(EncryptionMethod::kTripleDes, "x", kPassphrase));
  Write("short.2crypt", "abc");

  const ToolRun run = OstrelKeyed({"verify", "good.2crypt", "triple.1crypt", "short.2crypt"});
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_THAT(run.Stderr, HasSubstr("short.2crypt: truncated or not an encrypted file"));
  EXPECT_THAT(run.Stderr, HasSubstr("the pass phrase opens 2 files; 1 could not be checked"));
  EXPECT_THAT(run.Stderr, HasSubstr("only the final block of each file was read"));
  EXPECT_THAT(run.Stderr, HasSubstr("by chance about once in 255"));
  EXPECT_THAT(run.Stderr, HasSubstr("2 distinct checks (1 Triple-DES, 1 Rijndael"));
  EXPECT_THAT(run.Stderr, HasSubstr("1 in 2^16.0"));

  for (const std::string& wrongPassphrase :
       {PassphraseFailingTailCheck(EncryptionMethod::kRijndael, good),
        PassphraseFailingOnlyPadding(EncryptionMethod::kRijndael, good)}) {
    const ToolRun wrong = OstrelKeyed({"verify", "good.2crypt"}, {}, wrongPassphrase);
    EXPECT_EQ(wrong.ExitCode, 3);
    EXPECT_THAT(wrong.Stderr, HasSubstr("the pass phrase does not open good.2crypt"));
  }
}

// Files of every awkward length pass with the right pass phrase, through a file and through a
// pipe: a full final block (tail count B-1) has no zero bytes, and must not be held against it.
TEST_F(ToolTest, VerifyPassesGoodFilesOfEveryAwkwardLength) {
  for (const EncryptionMethod method :
       {EncryptionMethod::kTripleDes, EncryptionMethod::kRijndael}) {
    const auto b = static_cast<std::size_t>(CipherMethodFor(method).BlockSize);
    const std::string number = std::to_string(MethodNumber(method));
    for (const std::size_t length : {std::size_t{0}, std::size_t{1}, b - 1, b, 2 * b - 1}) {
      SCOPED_TRACE(number + " length " + std::to_string(length));
      const std::string encrypted = EncryptWithLibrary(method, PatternBytes(length), kPassphrase);
      std::string name = "f";
      name += CipherMethodFor(method).Suffix;
      Write(name, encrypted);
      EXPECT_EQ(OstrelKeyed({"verify", name}).ExitCode, 0);
      EXPECT_EQ(OstrelKeyed({"verify", "-", "--method", number}, encrypted).ExitCode, 0);
    }
  }
}

// Identical final blocks decrypt alike under any key: twenty copies are one check, and the chance
// a run reports is that of its distinct checks, each method counted for itself.
TEST_F(ToolTest, VerifyCountsIdenticalFinalBlocksOnce) {
  for (int i = 0; i < 20; ++i)
    Write("copies/" + std::to_string(i) + ".2crypt",
          EncryptWithLibrary(EncryptionMethod::kRijndael, "the same", kPassphrase));
  for (int i = 0; i < 3; ++i)
    Write("mixed/t" + std::to_string(i) + ".1crypt",
          EncryptWithLibrary(EncryptionMethod::kTripleDes, std::string(i + 1, 't'), kPassphrase));
  Write("mixed/r.2crypt", EncryptWithLibrary(EncryptionMethod::kRijndael, "other", kPassphrase));
  Write("mixed/s.2crypt", EncryptWithLibrary(EncryptionMethod::kRijndael, "the same", kPassphrase));

  struct Case {
    std::string tree;
    int tripleDes;
    int rijndael;
  };
  for (const Case& c : {Case{"copies", 0, 1}, Case{"mixed", 3, 2}}) {
    const ToolRun run = OstrelKeyed({"verify", "-r", c.tree, "--json"});
    ASSERT_EQ(run.ExitCode, 0) << run.Stderr;
    const nlohmann::json summary = JsonLines(run.Stdout).back()["summary"];
    EXPECT_EQ(summary["distinct_checks_triple_des"], c.tripleDes) << c.tree;
    EXPECT_EQ(summary["distinct_checks_rijndael"], c.rijndael) << c.tree;
    EXPECT_EQ(summary["distinct_checks"], c.tripleDes + c.rijndael) << c.tree;
    // About 1 in 255 per check for either cipher.
    EXPECT_NEAR(summary["chance_log2"].get<double>(), -7.994 * (c.tripleDes + c.rijndael), 0.01)
        << c.tree;
  }
}

TEST_F(ToolTest, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<std::string>> kCalls = {
      {},
      {"decrypt"},
      {"frobnicate", "x"},
      {"decrypt", "-"},
      {"decrypt", "a", "--passphrase-env", "X", "--passphrase-fd", "3"},
      {"encrypt", "-", "--method", "1"},
      {"key"},
      {"decrypt", "a", "-j", "0"},
      {"decrypt", "a", "--progress", "--no-progress"},
      {"decrypt", "a", "-o", ""},
      {"decrypt", "-", "--method", "2", "--passphrase-fd", "0"},
      {"decrypt", "-", "--method", "2", "--passphrase-file", "/dev/stdin"},
  };
  for (const std::vector<std::string>& arguments : kCalls) {
    const ToolRun run = Ostrel(arguments);
    EXPECT_EQ(run.ExitCode, 2) << ::testing::PrintToString(arguments) << run.Stderr;
  }
  const ToolRun help = Ostrel({"decrypt", "--help"});
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_THAT(help.Stdout, HasSubstr("--passphrase-file"));
  EXPECT_THAT(Ostrel({"--version"}).Stdout, HasSubstr("ostrel "));
}

}  // namespace
}  // namespace ostrel::testing_support
