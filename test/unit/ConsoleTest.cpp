#include <gtest/gtest.h>

#include "WideText.h"
#include "platform/Platform.h"

namespace orvax::platform {
namespace {

using test::W;

TEST(Console, WritesNarrowAndWideLinesInOrderOnOneStream) {
  testing::internal::CaptureStdout();
  consoleLine("Start QPE");
  consoleWideLine(W(u"C:\\D\u00E9j\u00E0\\\U0001F600\\BrikolanHook.dll"));
  consoleLine(std::string_view("a\0b", 3));
  consoleWideLine(W(std::u16string(1, 0xD800)));
  consoleLine("");
  consoleLine("FreeQPEDll 1");
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out,
            "Start QPE\n"
            "C:\\D\xC3\xA9j\xC3\xA0\\\xF0\x9F\x98\x80\\BrikolanHook.dll\n" +
                std::string("a\0b\n", 4) +
                "\xEF\xBF\xBD\n"
                "\n"
                "FreeQPEDll 1\n");
}

}  // namespace
}  // namespace orvax::platform
