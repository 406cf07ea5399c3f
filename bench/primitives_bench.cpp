// Throughput of each block operation over a buffer of blocks, and the cost of one key derivation.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "primitives/des.h"
#include "primitives/feistel128.h"
#include "primitives/fold_digest.h"
#include "primitives/rijndael.h"
#include "primitives/rijndael_blocks.h"
#include "primitives/triple_des_blocks.h"

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

// Runs of blocks through the bulk interface, 64 KiB per call (the size that stays in the cache
// while showing the cost of the cipher alone). Arguments: implementation (0 portable, 1 AES
// instructions), direction (1 encrypt, 0 decrypt), layout (0 ECB, 1 CBC).
constexpr size_t kRunSize = 64 * 1024;

void BM_RijndaelBlocks256(benchmark::State& state) {
  const auto implementation = state.range(0) != 0 ? RijndaelImplementation::kAesInstructions
                                                  : RijndaelImplementation::kPortable;
  const bool encrypt = state.range(1) != 0;
  const bool chained = state.range(2) != 0;
  if (!RijndaelImplementationRuns(implementation)) {
    state.SkipWithError("this processor lacks the AES instructions");
    return;
  }
  state.SetLabel(std::string(state.range(0) != 0 ? "aes-instructions " : "portable ") +
                 (chained ? "cbc " : "ecb ") + (encrypt ? "encrypt" : "decrypt"));
  RijndaelBatchContext context;
  InitRijndaelBatchContext(Bytes(32).data(), 32, context, encrypt, implementation);
  std::vector<uint8_t> buffer = Bytes(kRunSize);
  std::vector<uint8_t> chain = Bytes(kRijndaelBlockSize);
  const auto count = static_cast<int64_t>(kRunSize / kRijndaelBlockSize);
  for (auto _ : state) {
    if (chained) {
      RijndaelBlocksCbc(context, chain.data(), buffer.data(), count);
    } else {
      RijndaelBlocks(context, buffer.data(), count);
    }
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(kRunSize));
}
BENCHMARK(BM_RijndaelBlocks256)->ArgsProduct({{0, 1}, {1, 0}, {0, 1}});

// Arguments: implementation (0 portable, 1 AVX2, 2 AVX-512), direction (1 encrypt, 0 decrypt),
// layout (0 ECB, 1 CBC).
void BM_TripleDesBlocks(benchmark::State& state) {
  constexpr TripleDesImplementation kImplementations[] = {TripleDesImplementation::kPortable,
                                                          TripleDesImplementation::kAvx2,
                                                          TripleDesImplementation::kAvx512};
  constexpr const char* kNames[] = {"portable ", "avx2 ", "avx512 "};
  const auto index = static_cast<size_t>(state.range(0));
  const TripleDesImplementation implementation = kImplementations[index];
  const bool encrypt = state.range(1) != 0;
  const bool chained = state.range(2) != 0;
  if (!TripleDesImplementationRuns(implementation)) {
    state.SkipWithError("this processor lacks the instructions");
    return;
  }
  state.SetLabel(std::string(kNames[index]) + (chained ? "cbc " : "ecb ") +
                 (encrypt ? "encrypt" : "decrypt"));
  TripleDesBatchContext context;
  InitTripleDesBatchContext(Bytes(kTripleDesKeySize).data(), context, encrypt, implementation);
  std::vector<uint8_t> buffer = Bytes(kRunSize);
  std::vector<uint8_t> chain = Bytes(kDesBlockSize);
  const auto count = static_cast<int64_t>(kRunSize / kDesBlockSize);
  for (auto _ : state) {
    if (chained) {
      TripleDesBlocksCbc(context, chain.data(), buffer.data(), count);
    } else {
      TripleDesBlocks(context, buffer.data(), count);
    }
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(kRunSize));
}
BENCHMARK(BM_TripleDesBlocks)->ArgsProduct({{0, 1, 2}, {1, 0}, {0, 1}});

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
