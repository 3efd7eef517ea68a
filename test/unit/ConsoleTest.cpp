#include <gtest/gtest.h>

#include "HostSubstitutes.h"
#include "platform/Platform.h"

namespace orvax::platform {
using namespace std::string_literals;

TEST(Console, WritesNarrowAndWideLinesInOrderOnOneStream) {
  testing::internal::CaptureStdout();
  consoleLine("Start QPE");
  consoleWideLine(test::W(u"C:\\D\u00E9j\u00E0\\\U0001F600\\BrikolanHook.dll"));
  consoleLine("a\0b"s);
  consoleWideLine(test::W(u"\xD800"));
  consoleLine("");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Start QPE\nC:\\D\xC3\xA9j\xC3\xA0\\\xF0\x9F\x98\x80\\BrikolanHook.dll\na\0b\n"s
            "\xEF\xBF\xBD\n\n");
}

}  // namespace orvax::platform
