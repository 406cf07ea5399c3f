// The shared cache of decrypted pieces: a piece being decrypted is waited for, not decrypted
// twice; a failed decryption hands the piece to a waiter; pieces being decrypted are never
// dropped to make room.
#include <chrono>
#include <future>

#include <gtest/gtest.h>

#include "tool/mount/plain_chunk_cache.h"

namespace ostrel {
namespace {

PlainChunkKey KeyOf(int64_t chunk) {
  PlainChunkKey key;
  key.Inode = 7;
  key.Chunk = chunk;
  return key;
}

PlainChunk ChunkOf(uint8_t byte) {
  return std::make_shared<const PlainBytes>(3, byte);
}

TEST(PlainChunkCache, AClaimedPieceIsWaitedForAndAFailedOneHandedToTheWaiter) {
  PlainChunkCache cache(4);
  for (const bool fails : {false, true}) {
    SCOPED_TRACE(fails ? "failed" : "kept");
    const PlainChunkKey key = KeyOf(fails ? 1 : 0);
    ASSERT_EQ(cache.FindOrClaim(key), nullptr) << "absent: claimed by the caller";
    EXPECT_FALSE(cache.ClaimIfAbsent(key)) << "claimed once only";
    std::future<PlainChunk> waiter =
        std::async(std::launch::async, [&] { return cache.FindOrClaim(key); });
    EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    const PlainChunk made = ChunkOf(1);
    cache.Keep(key, fails ? nullptr : made);
    // A failure leaves the waiter holding the claim, to try for itself.
    EXPECT_EQ(waiter.get(), fails ? nullptr : made);
    if (fails)
      cache.Keep(key, made);
    EXPECT_EQ(cache.FindOrClaim(key), made);
  }
}

TEST(PlainChunkCache, DropsTheLeastRecentlyUsedPiecesButNeverOneBeingDecrypted) {
  PlainChunkCache cache(2);
  ASSERT_TRUE(cache.ClaimIfAbsent(KeyOf(0)));
  for (int64_t chunk = 1; chunk <= 4; ++chunk) {
    ASSERT_EQ(cache.FindOrClaim(KeyOf(chunk)), nullptr);
    cache.Keep(KeyOf(chunk), ChunkOf(static_cast<uint8_t>(chunk)));
  }
  EXPECT_FALSE(cache.ClaimIfAbsent(KeyOf(0))) << "still being decrypted";
  EXPECT_TRUE(cache.ClaimIfAbsent(KeyOf(1))) << "dropped";
  cache.Keep(KeyOf(1), nullptr);
  EXPECT_FALSE(cache.ClaimIfAbsent(KeyOf(4))) << "kept";
  cache.Keep(KeyOf(0), ChunkOf(0));
  EXPECT_EQ(cache.FindOrClaim(KeyOf(0))->front(), 0);
}

}  // namespace
}  // namespace ostrel
