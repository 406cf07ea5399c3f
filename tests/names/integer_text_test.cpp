#include "names/integer_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace ostrel {
namespace {

constexpr int kNotANumber = -1;

struct NumberCase {
  std::u16string text;
  int64_t as64;
  int32_t as32;
};

const NumberCase kNumberCases[] = {
    {u"0", 0, 0},
    {u"1500", 1500, 1500},
    {u"000123", 123, 123},
    {u"  12", 12, 12},
    {u"+5", 5, 5},
    {u"-5", -5, -5},
    {u"-0", 0, 0},
    {u"$ff", 255, 255},
    {u"xFF", 255, 255},
    {u"XfF", 255, 255},
    {u"0x10", 16, 16},
    {u"0X10", 16, 16},
    {u"-$10", -16, -16},
    {u"+x10", 16, 16},
    // Not numbers: nothing to read, a sign or prefix alone, anything after the digits, a blank
    // that is not a space, digits outside ASCII.
    {u"", kNotANumber, kNotANumber},
    {u"   ", kNotANumber, kNotANumber},
    {u"+", kNotANumber, kNotANumber},
    {u"-", kNotANumber, kNotANumber},
    {u"$", kNotANumber, kNotANumber},
    {u"0x", kNotANumber, kNotANumber},
    {u"-0x", kNotANumber, kNotANumber},
    {u"12 ", kNotANumber, kNotANumber},
    {u"1a", kNotANumber, kNotANumber},
    {u"$fg", kNotANumber, kNotANumber},
    {u"0x0x1", kNotANumber, kNotANumber},
    {u"$$1", kNotANumber, kNotANumber},
    {u"00x1", kNotANumber, kNotANumber},
    {u"+-5", kNotANumber, kNotANumber},
    {u"- 5", kNotANumber, kNotANumber},
    {u"\t12", kNotANumber, kNotANumber},
    {u"\u0663", kNotANumber, kNotANumber},  // ARABIC-INDIC DIGIT THREE
    {u"\uFF11", kNotANumber, kNotANumber},  // FULLWIDTH DIGIT ONE
    {std::u16string(u"1\0", 2), kNotANumber, kNotANumber},
    // The signed ranges, decimal and hexadecimal alike.
    {u"2147483647", 2147483647, 2147483647},
    {u"2147483648", 2147483648, kNotANumber},
    {u"-2147483648", -2147483648LL, std::numeric_limits<int32_t>::min()},
    {u"-2147483649", -2147483649LL, kNotANumber},
    {u"$7FFFFFFF", 2147483647, 2147483647},
    {u"$80000000", 2147483648, kNotANumber},
    {u"-$80000000", -2147483648LL, std::numeric_limits<int32_t>::min()},
    {u"$FFFFFFFF", 4294967295, kNotANumber},
    {u"9223372036854775807", std::numeric_limits<int64_t>::max(), kNotANumber},
    {u"9223372036854775808", kNotANumber, kNotANumber},
    {u"-9223372036854775808", std::numeric_limits<int64_t>::min(), kNotANumber},
    {u"-9223372036854775809", kNotANumber, kNotANumber},
    {u"$7FFFFFFFFFFFFFFF", std::numeric_limits<int64_t>::max(), kNotANumber},
    {u"$8000000000000000", kNotANumber, kNotANumber},
    {u"$FFFFFFFFFFFFFFFF", kNotANumber, kNotANumber},
    {u"-0x8000000000000000", std::numeric_limits<int64_t>::min(), kNotANumber},
    {u"184467440737095516160", kNotANumber, kNotANumber},
};

TEST(IntegerText, ReadsTheUsualNotationWithinTheSignedRange) {
  for (const NumberCase& c : kNumberCases) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
    EXPECT_EQ(ReadInt64OrMinusOne(c.text), c.as64);
    EXPECT_EQ(ReadInt32OrMinusOne(c.text), c.as32);
  }
}

TEST(IntegerText, ReadsLongDigitRunsWithoutOverflowingOnLeadingZeros) {
  const std::u16string zeros(50000, u'0');
  EXPECT_EQ(ReadInt64OrMinusOne(zeros + u"7"), 7);
  EXPECT_EQ(ReadInt32OrMinusOne(u"$" + zeros + u"7f"), 127);
  EXPECT_EQ(ReadInt64OrMinusOne(std::u16string(50000, u'9')), kNotANumber);
  EXPECT_EQ(ReadInt64OrMinusOne(std::u16string(50000, u' ') + u"-3"), -3);
}

}  // namespace
}  // namespace ostrel
