#include <gtest/gtest.h>

#include "WideText.h"
#include "platform/posix/PathText.h"

namespace orvax::platform::posix {
namespace {

using test::W;

TEST(WidenPath, DecodesUtf8SoThatThePathConvertsBack) {
  for (const char* path : {"/opt/host/lib/ORVAX.so", "/home/d\xC3\xA9j\xC3\xA0/\xE2\x82\xAC",
                           "/tmp/\xF0\x9F\x98\x80/\xF4\x8F\xBF\xBF", ""}) {
    EXPECT_EQ(utf16ToUtf8(widenPath(path)), path);
  }
  EXPECT_EQ(widenPath("/d\xC3\xA9/\xF0\x9F\x98\x80"), W(u"/d\u00E9/\U0001F600"));
}

TEST(WidenPath, TakesBytesOneUnitEachWhenTheyAreNotUtf8) {
  EXPECT_EQ(widenPath("/latin1/d\xE9j\xE0"), W(u"/latin1/d\u00E9j\u00E0"));
  EXPECT_EQ(widenPath("/a/\xC0\x80"), W(u"/a/\u00C0\u0080"));                      // overlong
  EXPECT_EQ(widenPath("/a/\xED\xA0\x80"), W(u"/a/\u00ED\u00A0\u0080"));            // surrogate
  EXPECT_EQ(widenPath("/a/\xF0\x9F\x98"), W(u"/a/\u00F0\u009F\u0098"));            // truncated
  EXPECT_EQ(widenPath("/a/\xF4\x90\x80\x80"), W(u"/a/\u00F4\u0090\u0080\u0080"));  // > U+10FFFF
}

}  // namespace
}  // namespace orvax::platform::posix
