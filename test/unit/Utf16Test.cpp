#include <gtest/gtest.h>

#include "HostSubstitutes.h"
#include "portable/Utf16.h"

namespace orvax {
using test::W;
using std::string_literals::operator""s;
using std::string_view_literals::operator""sv;

TEST(Utf16, EachDirectionOnItsCasesAndOnlyStrictUtf8Back) {
  const std::string fffd = "\xEF\xBF\xBD";
  const struct {
    std::u16string_view units;
    std::string utf8;    // pairs combined, a lone surrogate replaced
    std::string units8;  // each unit encoded by itself
  } cases[] = {
      {u"", "", ""},
      {u"a\0b"sv, "a\0b"s, "a\0b"s},
      {u"\u00E9\u07FF\u0800\uFFFF", "\xC3\xA9\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF",
       "\xC3\xA9\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
      {u"\U00010000\U0010FFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
       "\xED\xA0\x80\xED\xB0\x80\xED\xAF\xBF\xED\xBF\xBF"},
      {u"\xD83D", fffd, "\xED\xA0\xBD"},
      {u"\xDE00x", fffd + "x", "\xED\xB8\x80x"},
      {u"\xD83D\xD83D\xDE00", fffd + "\xF0\x9F\x98\x80", "\xED\xA0\xBD\xED\xA0\xBD\xED\xB8\x80"},
  };
  WideString back;
  for (const auto& c : cases) {
    EXPECT_EQ(utf16ToUtf8(W(c.units)), c.utf8) << c.utf8;
    EXPECT_EQ(unitsToUtf8(W(c.units)), c.units8) << c.utf8;
    EXPECT_TRUE(utf8ToUtf16(c.utf8, back)) << c.utf8;
    EXPECT_TRUE(back == W(c.units) || c.utf8.find(fffd) != std::string::npos) << c.utf8;
  }
  EXPECT_EQ(widen("\xE9\0b"sv), W(u"\u00E9\0b"sv));
  for (const char* text : {"\xC0\x80", "\xC1\xBF", "\xE0\x80\xAF", "\xF0\x8F\xBF\xBF",  // overlong
                           "\xED\xA0\x80", "\xED\xBF\xBF",                   // surrogates
                           "\xC3", "\xE2\x82", "\xF0\x9F\x98", "\xE2\x82x",  // cut short
                           "\x80", "a\xBFz", "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\xFF"}) {
    EXPECT_FALSE(utf8ToUtf16(text, back)) << testing::PrintToString(text);
  }
}

}  // namespace orvax
