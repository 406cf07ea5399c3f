// UTF-8 for names that are UTF-16: every UTF-16 string, paired or not, must come back, so that a
// file listed by the system is the file opened, written and reported under its own name.
#include "platform/utf8_text.h"

#include <gtest/gtest.h>

#include <random>

namespace ostrel {
namespace {

TEST(Utf8Text, LoneSurrogatesOfUtf16NamesTakeTheirThreeByteFormAndComeBack) {
  const struct {
    std::u16string wide;
    std::string bytes;
  } cases[] = {
      {u"\u65E5\u672C\u8A9E \u0391 \U0001F600",
       "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xCE\x91 \xF0\x9F\x98\x80"},
      {u"a\xD800"
       "b",
       "a\xED\xA0\x80"
       "b"},
      {u"\xDC80", "\xED\xB2\x80"},  // no byte escape: a name of the system, not bytes
      {u"\xDFFF\xD83D", "\xED\xBF\xBF\xED\xA0\xBD"},  // reversed pair: two lone surrogates
      {u"x\xDBFF", "x\xED\xAF\xBF"},                  // a high surrogate at the end
  };
  for (const auto& [wide, bytes] : cases) {
    EXPECT_EQ(NarrowUtf8(wide, LoneSurrogates::kThreeByteForms), bytes);
    EXPECT_EQ(WidenUtf8(bytes, LoneSurrogates::kThreeByteForms), wide);
  }
  // Bytes are names too where names are bytes: there the same three bytes are three escapes.
  EXPECT_EQ(WidenUtf8("\xED\xA0\x80", LoneSurrogates::kEscapedBytes), u"\xDCED\xDCA0\xDC80");
  EXPECT_EQ(NarrowUtf8(u"\xDC80", LoneSurrogates::kEscapedBytes), "\x80");
}

TEST(Utf8Text, EveryUtf16StringComesBackThroughThreeByteForms) {
  std::mt19937 random(11);
  // Surrogates, and the characters beside them, most of the time.
  const char16_t pool[] = {u'a',   u'.',   0x00E9, 0x4E2D, 0xD800, 0xDBFF, 0xDC00, 0xDC80,
                           0xDCFF, 0xDFFF, 0xD83D, 0xDE00, 0xFFFF, 0x07FF, 0x0800};
  for (int trial = 0; trial < 2000; ++trial) {
    std::u16string wide(random() % 20, u'\0');
    for (char16_t& unit : wide)
      unit = pool[random() % std::size(pool)];
    ASSERT_EQ(WidenUtf8(NarrowUtf8(wide, LoneSurrogates::kThreeByteForms),
                        LoneSurrogates::kThreeByteForms),
              wide);
  }
}

}  // namespace
}  // namespace ostrel
