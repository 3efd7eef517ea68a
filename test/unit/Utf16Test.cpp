#include <gtest/gtest.h>

#include "WideText.h"
#include "portable/Utf16.h"

namespace orvax {
namespace {

using test::W;

TEST(UnitsToUtf8, EncodesEachUnitByItself) {
  EXPECT_EQ(unitsToUtf8(W(u"")), "");
  EXPECT_EQ(unitsToUtf8(W(u"abc")), "abc");
  EXPECT_EQ(unitsToUtf8(W(u"\u00E9")), "\xC3\xA9");
  EXPECT_EQ(unitsToUtf8(W(u"\u07FF\u0800")), "\xDF\xBF\xE0\xA0\x80");
  EXPECT_EQ(unitsToUtf8(W(u"\u20AC\uFFFF")), "\xE2\x82\xAC\xEF\xBF\xBF");
  // An embedded zero is a character like any other.
  EXPECT_EQ(unitsToUtf8(W(std::u16string_view(u"a\0b", 3))), std::string("a\0b", 3));
  // A surrogate pair stays two units: two three-byte sequences, not one four-byte one.
  EXPECT_EQ(unitsToUtf8(W(u"\U0001F600")), "\xED\xA0\xBD\xED\xB8\x80");
  EXPECT_EQ(unitsToUtf8(W(std::u16string(1, 0xDC00))), "\xED\xB0\x80");
}

TEST(Utf8ToUtf16, DecodesOneUnitPerCharacterAndPairsAboveTheBasicPlane) {
  WideString out;
  ASSERT_TRUE(utf8ToUtf16("", out));
  EXPECT_TRUE(out.empty());
  ASSERT_TRUE(utf8ToUtf16("C:\\d\xC3\xA9j\xC3\xA0\\\xE2\x82\xAC.dll", out));
  EXPECT_EQ(out, W(u"C:\\d\u00E9j\u00E0\\\u20AC.dll"));
  ASSERT_TRUE(utf8ToUtf16(std::string_view("\0", 1), out));
  EXPECT_EQ(out, W(std::u16string_view(u"\0", 1)));
  ASSERT_TRUE(utf8ToUtf16("\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", out));
  EXPECT_EQ(out, W(u"\U0001F600\U0010FFFF"));
}

TEST(Utf8ToUtf16, RoundTripsEveryCharacterOneUnitCarries) {
  for (std::uint32_t cp = 0; cp <= 0xFFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    const WideString unit(1, static_cast<WideChar>(cp));
    WideString back;
    ASSERT_TRUE(utf8ToUtf16(unitsToUtf8(unit), back)) << std::hex << cp;
    ASSERT_EQ(back, unit) << std::hex << cp;
  }
}

TEST(Utf8ToUtf16, RefusesWhatIsNotStrictUtf8) {
  const char* const refused[] = {
      "\xC0\x80",          // overlong zero
      "\xC1\xBF",          // overlong two-byte
      "\xE0\x80\xAF",      // overlong three-byte
      "\xED\xA0\x80",      // high surrogate encoded
      "\xED\xBF\xBF",      // low surrogate encoded
      "\xC3",              // truncated at the end
      "\xE2\x82",          // truncated at the end
      "\xE2\x82x",         // continuation missing
      "\x80",              // stray continuation
      "a\xBFz",            // stray continuation inside
      "\xF0\x8F\xBF\xBF",  // overlong four-byte
      "\xF4\x90\x80\x80",  // beyond U+10FFFF
      "\xF0\x9F\x98",      // truncated four-byte
      "\xF8\x88\x80\x80\x80",
      "\xFF",
  };
  for (const char* text : refused) {
    WideString out;
    EXPECT_FALSE(utf8ToUtf16(text, out)) << testing::PrintToString(text);
  }
}

TEST(Utf16ToUtf8, CombinesPairsAndReplacesLoneSurrogates) {
  EXPECT_EQ(utf16ToUtf8(W(u"a\u00E9\u20AC")), "a\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(utf16ToUtf8(W(u"\U0001F600")), "\xF0\x9F\x98\x80");
  EXPECT_EQ(utf16ToUtf8(W(u"\U00010000\U0010FFFF")), "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");

  const std::string replacement = "\xEF\xBF\xBD";
  const auto units = [](std::initializer_list<char16_t> list) { return W(std::u16string(list)); };
  EXPECT_EQ(utf16ToUtf8(units({0xD83D})), replacement);                        // high at end
  EXPECT_EQ(utf16ToUtf8(units({0xDE00, 'x'})), replacement + "x");             // lone low
  EXPECT_EQ(utf16ToUtf8(units({0xD83D, 'x'})), replacement + "x");             // high, no low
  EXPECT_EQ(utf16ToUtf8(units({0xDE00, 0xD83D})), replacement + replacement);  // reversed
  EXPECT_EQ(utf16ToUtf8(units({0xD83D, 0xD83D, 0xDE00})), replacement + "\xF0\x9F\x98\x80");
}

TEST(Widen, TakesEachByteAsOneUnit) {
  EXPECT_EQ(widen("BrikolanHook.dll"), W(u"BrikolanHook.dll"));
  EXPECT_EQ(widen("\xE9"), W(u"\u00E9"));
  EXPECT_EQ(widen(std::string_view("a\0b", 3)), W(std::u16string_view(u"a\0b", 3)));
}

}  // namespace
}  // namespace orvax
