#include "cipher/memory_stream.h"

#include <gtest/gtest.h>

#include <string>

namespace ostrel {
namespace {

std::string ReadAll(TMemoryStream& stream, int32_t count) {
  std::string bytes(static_cast<std::size_t>(count), '?');
  bytes.resize(static_cast<std::size_t>(stream.Read(bytes.data(), count)));
  return bytes;
}

TEST(MemoryStream, WritesOverwriteInsideAndExtendPastTheEnd) {
  TMemoryStream stream("abcdef");
  stream.SetPosition(4);
  EXPECT_EQ(stream.Write("XYZW", 4), 4);
  EXPECT_EQ(stream.Bytes(), "abcdXYZW");
  EXPECT_EQ(stream.Size(), 8);
  EXPECT_EQ(stream.Position(), 8);

  stream.SetPosition(1);
  EXPECT_EQ(stream.Write("--", 2), 2);
  EXPECT_EQ(stream.Bytes(), "a--dXYZW");
  EXPECT_EQ(stream.Size(), 8);
}

TEST(MemoryStream, ReadsStopAtTheEnd) {
  TMemoryStream stream(std::string("ab\0cd", 5));
  EXPECT_EQ(ReadAll(stream, 3), std::string("ab\0", 3));
  EXPECT_EQ(ReadAll(stream, 10), "cd");
  EXPECT_EQ(stream.Position(), 5);
  EXPECT_EQ(ReadAll(stream, 10), "");
}

TEST(MemoryStream, APositionPastTheEndReadsNothingAndWritingThereFillsTheGapWithZeros) {
  TMemoryStream stream("ab");
  stream.SetPosition(5);
  EXPECT_EQ(stream.Position(), 5);
  EXPECT_EQ(stream.Size(), 2);
  EXPECT_EQ(ReadAll(stream, 4), "");
  EXPECT_EQ(stream.Position(), 5);

  EXPECT_EQ(stream.Write("z", 1), 1);
  EXPECT_EQ(stream.Bytes(), std::string("ab\0\0\0z", 6));
}

TEST(MemoryStream, NonPositiveCountsMoveNothing) {
  TMemoryStream stream("abc");
  char buffer[4] = {};
  EXPECT_EQ(stream.Read(buffer, 0), 0);
  EXPECT_EQ(stream.Read(buffer, -1), 0);
  EXPECT_EQ(stream.Write("x", 0), 0);
  EXPECT_EQ(stream.Write("x", -5), 0);
  EXPECT_EQ(stream.Bytes(), "abc");
  EXPECT_EQ(stream.Position(), 0);
}

// A write that would need more memory than a string can hold is reported as short, the way a full
// disk is, and leaves the stream as it was.
TEST(MemoryStream, AWriteItCannotHoldIsShortNotFatal) {
  TMemoryStream stream("abc");
  stream.SetPosition(INT64_MAX - 1);
  EXPECT_EQ(stream.Write("xyz", 3), 0);
  EXPECT_EQ(stream.Bytes(), "abc");
}

}  // namespace
}  // namespace ostrel
