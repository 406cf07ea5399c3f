// Memory for decrypted pieces: a released buffer is handed out again, no more spares are kept than
// the limit, and a buffer may outlive the object that handed it out.
#include <gtest/gtest.h>

#include <memory>

#include "tool/mount/piece_buffers.h"

namespace ostrel {
namespace {

TEST(PieceBuffers, ReleasedBuffersAreUsedAgainUpToTheLimitAndMayOutliveTheirSource) {
  auto buffers = std::make_unique<PieceBuffers>(64, 1);
  std::shared_ptr<PlainBytes> first = buffers->Take(64);
  std::shared_ptr<PlainBytes> second = buffers->Take(10);
  EXPECT_EQ(second->size(), 10U);
  const uint8_t* const firstMemory = first->data();
  first.reset();
  second.reset();  // beyond the one spare: freed
  const std::shared_ptr<PlainBytes> again = buffers->Take(20);
  EXPECT_EQ(again->data(), firstMemory) << "the spare is handed out again";
  EXPECT_EQ(again->size(), 20U);
  const std::shared_ptr<PlainBytes> fresh = buffers->Take(64);
  EXPECT_NE(fresh->data(), firstMemory);
  // A reader may still send a piece while the tree that made it goes away.
  const std::shared_ptr<PlainBytes> outliving = buffers->Take(64);
  buffers.reset();
  (*outliving)[63] = 7;
  EXPECT_EQ(outliving->at(63), 7);
}

}  // namespace
}  // namespace ostrel
