#include <gtest/gtest.h>

#include "HostSubstitutes.h"
#include "platform/posix/PathText.h"

namespace orvax::platform::posix {
namespace {

// UTF-8 is decoded; other bytes are taken one unit each.
TEST(WidenPath, DecodesUtf8ElseTakesEachByteAsAUnit) {
  const std::pair<const char*, std::u16string_view> cases[] = {
      {"", u""},
      {"/home/d\xC3\xA9j\xC3\xA0/\xE2\x82\xAC", u"/home/d\u00E9j\u00E0/\u20AC"},
      {"/t/\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", u"/t/\U0001F600\U0010FFFF"},
      {"/latin1/d\xE9j\xE0", u"/latin1/d\u00E9j\u00E0"},
      {"/a/\xC0\x80", u"/a/\u00C0\u0080"},                      // overlong
      {"/a/\xED\xA0\x80", u"/a/\u00ED\u00A0\u0080"},            // surrogate
      {"/a/\xF0\x9F\x98", u"/a/\u00F0\u009F\u0098"},            // truncated
      {"/a/\xF4\x90\x80\x80", u"/a/\u00F4\u0090\u0080\u0080"},  // beyond U+10FFFF
  };
  for (const auto& [bytes, units] : cases) EXPECT_EQ(widenPath(bytes), test::W(units)) << bytes;
}

}  // namespace
}  // namespace orvax::platform::posix
