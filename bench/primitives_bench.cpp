// Throughput of each block operation over a buffer of blocks, and the cost of one key derivation.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "primitives/des.h"
#include "primitives/feistel128.h"
#include "primitives/fold_digest.h"
#include "primitives/rijndael.h"

namespace ostrel {
namespace {

constexpr size_t kBufferSize = 4096;

std::vector<uint8_t> Bytes(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<uint8_t>(i * 131 + 17);
  }
  return bytes;
}

// Runs transform over every block of a 4 KiB buffer per iteration.
template <typename Context, typename Transform>
void RunBlocks(benchmark::State& state, const Context& context, size_t blockSize,
               Transform transform) {
  std::vector<uint8_t> buffer = Bytes(kBufferSize);
  for (auto _ : state) {
    for (size_t offset = 0; offset < kBufferSize; offset += blockSize) {
      transform(context, buffer.data() + offset);
    }
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(kBufferSize));
}

void BM_DesBlock(benchmark::State& state) {
  DesContext context;
  InitDesContext(Bytes(8).data(), context, true);
  RunBlocks(state, context, kDesBlockSize, DesBlock);
}
BENCHMARK(BM_DesBlock);

void BM_TripleDesBlock(benchmark::State& state) {
  TripleDesContext context;
  InitTripleDesContext(Bytes(kTripleDesKeySize).data(), context, true);
  RunBlocks(state, context, kDesBlockSize, TripleDesBlock);
}
BENCHMARK(BM_TripleDesBlock);

void BM_RijndaelBlock256(benchmark::State& state) {
  const bool encrypt = state.range(0) != 0;
  state.SetLabel(encrypt ? "encrypt" : "decrypt");
  RijndaelContext context;
  InitRijndaelContext(Bytes(32).data(), 32, context, encrypt);
  RunBlocks(state, context, kRijndaelBlockSize, RijndaelBlock);
}
BENCHMARK(BM_RijndaelBlock256)->Arg(1)->Arg(0);

void BM_Feistel128Block(benchmark::State& state) {
  Feistel128Context context;
  InitFeistel128Context(Bytes(16).data(), context, 8, true);
  RunBlocks(state, context, 16, Feistel128Block);
}
BENCHMARK(BM_Feistel128Block);

// One whole derivation of a 32-byte key from a typical pass phrase.
void BM_PassphraseToKey32(benchmark::State& state) {
  const std::string passphrase = "correct horse battery staple";
  uint8_t key[32];
  for (auto _ : state) {
    PassphraseToKey(key, 32, passphrase);
    benchmark::DoNotOptimize(key);
  }
}
BENCHMARK(BM_PassphraseToKey32);

}  // namespace
}  // namespace ostrel
