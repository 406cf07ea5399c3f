// One .2crypt file transformation under a chosen schedule, to measure what chunk size, reading
// ahead and cipher threads are worth before the defaults are changed.
//   stream_schedule_bench e|d IN OUT KEY_HEX CHUNK_KIB READ_AHEAD(0|1) CIPHER_THREADS PORTABLE(0|1)
// Paths must be ASCII. Rijndael ECB with the 32-byte key given in hexadecimal.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cipher/stream_schedule.h"
#include "cipher/wide_file_stream.h"

namespace {

std::u16string Widen(const char* text) {
  std::u16string wide;
  for (; *text != '\0'; ++text) {
    wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(*text)));
  }
  return wide;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 9) {
    std::fprintf(stderr,
                 "usage: stream_schedule_bench e|d IN OUT KEY_HEX CHUNK_KIB READ_AHEAD "
                 "CIPHER_THREADS PORTABLE\n");
    return 2;
  }
  std::vector<uint8_t> key;
  for (const char* hex = argv[4]; hex[0] != '\0' && hex[1] != '\0'; hex += 2) {
    key.push_back(static_cast<uint8_t>(std::stoi(std::string(hex, 2), nullptr, 16)));
  }
  if (key.size() != 32) {
    std::fprintf(stderr, "KEY_HEX must be 64 hexadecimal digits\n");
    return 2;
  }
  ostrel::StreamSchedule schedule;
  schedule.chunkBytes = std::atoi(argv[5]) * 1024;
  schedule.readAhead = std::atoi(argv[6]) != 0;
  schedule.cipherThreads = std::atoi(argv[7]);
  schedule.portableRijndael = std::atoi(argv[8]) != 0;
  ostrel::TWideFileStream input(Widen(argv[2]), ostrel::fmOpenRead | ostrel::fmShareDenyWrite);
  ostrel::TWideFileStream output(Widen(argv[3]), ostrel::fmCreate, &input);
  ostrel::RijndaelStream(input, output, key.data(), 32, ostrel::StreamLayout::kEcb,
                         argv[1][0] == 'e', schedule);
  return 0;
}
