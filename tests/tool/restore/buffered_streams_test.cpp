// The buffered streams must hand the stream procedures exactly the file's bytes whatever piece
// sizes they ask for: one block at a time today, large runs of blocks from a bulk engine.
#include "cipher/buffered_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "tool_fixture.h"

namespace ostrel::testing_support {
namespace {

TEST_F(ToolTest, BufferedStreamsCopyExactlyWhateverThePieceSizes) {
  const std::string bytes = PatternBytes(3 * 1024 * 1024 + 5);
  Write("in", bytes);
  for (const int32_t piece : {1, 16, 4096, 1 << 20, (1 << 20) + 16, 3 << 20}) {
    const int in = open(PathOf("in").c_str(), O_RDONLY);
    const int out = open(PathOf("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(in, 0);
    ASSERT_GE(out, 0);
    std::atomic<int64_t> counted{0};
    BufferedInputStream input(in, static_cast<int64_t>(bytes.size()), &counted);
    BufferedOutputStream output(out, static_cast<int64_t>(bytes.size()));
    std::string buffer(static_cast<std::size_t>(piece), '\0');
    for (int32_t got; (got = input.Read(buffer.data(), piece)) > 0;)
      ASSERT_EQ(output.Write(buffer.data(), got), got);
    EXPECT_TRUE(output.Flush());
    EXPECT_EQ(input.Failure(), 0);
    EXPECT_EQ(input.Position(), static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(counted.load(), static_cast<int64_t>(bytes.size()));
    close(in);
    close(out);
    EXPECT_EQ(Read("out"), bytes) << "pieces of " << piece;
  }
}

// Large pieces bypass the buffers; small ones between them must still come out in their place.
TEST_F(ToolTest, BufferedStreamsKeepTheOrderOfSmallAndLargePiecesMixed) {
  const std::string bytes = PatternBytes(3 * 1024 * 1024 + 5);
  Write("in", bytes);
  const int32_t pieces[] = {16, 100000, 1, 1 << 20, 7, 65536, 65535, 300000};
  const int in = open(PathOf("in").c_str(), O_RDONLY);
  const int out = open(PathOf("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(in, 0);
  ASSERT_GE(out, 0);
  BufferedInputStream input(in, static_cast<int64_t>(bytes.size()));
  BufferedOutputStream output(out, static_cast<int64_t>(bytes.size()));
  std::string buffer(1 << 20, '\0');
  for (size_t i = 0;; ++i) {
    const int32_t got = input.Read(buffer.data(), pieces[i % std::size(pieces)]);
    if (got == 0)
      break;
    // Written in other pieces than read, so that both sides mix their sizes.
    const int32_t first = std::min(got, pieces[(i + 3) % std::size(pieces)]);
    ASSERT_EQ(output.Write(buffer.data(), first), first);
    ASSERT_EQ(output.Write(buffer.data() + first, got - first), got - first);
  }
  EXPECT_TRUE(output.Flush());
  close(in);
  close(out);
  EXPECT_EQ(Read("out"), bytes);
}

TEST_F(ToolTest, BufferedInputSaysWhenTheFileIsShorterThanAnnounced) {
  Write("in", "12345");
  const int in = open(PathOf("in").c_str(), O_RDONLY);
  BufferedInputStream input(in, 100);
  char buffer[100];
  EXPECT_EQ(input.Read(buffer, 100), 5);
  EXPECT_EQ(input.Failure(), -1);
  close(in);
}

TEST_F(ToolTest, BufferedOutputKeepsTheSystemsReasonForARefusedWrite) {
  const int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  BufferedOutputStream output(full, 16);
  const std::string bytes = PatternBytes(100);
  output.Write(bytes.data(), 100);
  EXPECT_FALSE(output.Flush());
  EXPECT_EQ(output.Failure(), ENOSPC);
  EXPECT_EQ(output.Write(bytes.data(), 1), 0);
  close(full);
}

}  // namespace
}  // namespace ostrel::testing_support
