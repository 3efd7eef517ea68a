#include <gtest/gtest.h>

#include "HostSubstitutes.h"
#include "portable/LibraryPath.h"

namespace orvax {
using test::W;

// Without a separator past index two: the whole path.
TEST(EngineDirectory, CutsThreeUnitsBeforeTheLastSeparatorPastIndexTwo) {
  const std::u16string deep = u"C:\\" + std::u16string(400, u'd') + u"\\";
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"C:\\Plugins\\ORVAX\\bin\\ORVAX.so", u"C:\\Plugins\\ORVAX\\"},
      {u"/opt/host/lib/ORVAX.so", u"/opt/host/"},
      {u"C:/a\\b/x64\\ORVAX.so", u"C:/a\\b/"},
      {u"C:\\Plugins\\ORVAX.so", u"C:\\Plug"},
      {u"abc\\ORVAX.so", u""},
      {deep + u"x64\\ORVAX.so", deep},
      {u"C:\\D\u00E9j\u00E0 \U0001F600\\x64\\ORVAX.so", u"C:\\D\u00E9j\u00E0 \U0001F600\\"}};
  for (const auto& [path, directory] : cases)
    EXPECT_EQ(engineDirectory(W(path)), W(directory)) << utf16ToUtf8(W(path));
  for (const char16_t* path : {u"ORVAX.so", u"C:\\ORVAX.so", u"\\ORVAX.so", u"ab/", u""})
    EXPECT_EQ(engineDirectory(W(path)), W(path)) << utf16ToUtf8(W(path));
  EXPECT_EQ(engineLibraryPath(W(u"C:\\ORVAX.so")), W(u"C:\\ORVAX.soBrikolanHook.dll"));
}

}  // namespace orvax
