#include "platform/text_conversion.h"

#include <gtest/gtest.h>

#include <random>

namespace ostrel {
namespace {

TEST(TextConversion, WidensWellFormedUtf8ToUtf16) {
  EXPECT_EQ(WidenSystemText("report.doc.2crypt"), u"report.doc.2crypt");
  EXPECT_EQ(WidenSystemText("Grüße €"), u"Grüße €");
  EXPECT_EQ(WidenSystemText("\xF0\x9F\x94\x92"), u"\U0001F512");  // needs a surrogate pair
  EXPECT_EQ(NarrowSystemText(u"Grüße € \U0001F512"), "Grüße € \xF0\x9F\x94\x92");
}

// Bytes that are not well-formed UTF-8 each become one escape unit, and come back unchanged.
TEST(TextConversion, EscapesEveryByteOfAnIllFormedSequence) {
  const struct {
    std::string bytes;
    std::u16string wide;
  } cases[] = {
      {"a\xFF"
       "b",
       u"a\xDCFF"
       "b"},
      {"\xC0\xAF", u"\xDCC0\xDCAF"},                      // overlong "/"
      {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},            // an encoded surrogate
      {"\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},  // above U+10FFFF
      {"\xE2\x82", u"\xDCE2\xDC82"},                      // truncated at the end
      {"\xE2\x82x", u"\xDCE2\xDC82x"},
  };
  for (const auto& [bytes, wide] : cases) {
    EXPECT_EQ(WidenSystemText(bytes), wide);
    EXPECT_EQ(NarrowSystemText(wide), bytes);
  }
}

TEST(TextConversion, RoundTripsAnyByteString) {
  std::mt19937 random(7);
  for (int trial = 0; trial < 2000; ++trial) {
    std::string bytes(random() % 40, '\0');
    for (char& c : bytes)
      c = static_cast<char>(random());
    ASSERT_EQ(NarrowSystemText(WidenSystemText(bytes)), bytes);
  }
}

}  // namespace
}  // namespace ostrel
