#include <gtest/gtest.h>

#include "WideText.h"
#include "portable/LibraryPath.h"

namespace orvax {
namespace {

using test::W;

TEST(EngineDirectory, IsTheParentOfTheModulesThreeLetterFolder) {
  EXPECT_EQ(engineDirectory(W(u"C:\\Plugins\\ORVAX\\bin\\ORVAX.so")), W(u"C:\\Plugins\\ORVAX\\"));
  EXPECT_EQ(engineDirectory(W(u"/opt/host/lib/ORVAX.so")), W(u"/opt/host/"));
  // The last separator counts, whichever kind it is.
  EXPECT_EQ(engineDirectory(W(u"C:/a\\b/x64\\ORVAX.so")), W(u"C:/a\\b/"));
  EXPECT_EQ(engineDirectory(W(u"C:\\a/b\\x64/ORVAX.so")), W(u"C:\\a/b\\"));
  // Other folder lengths are cut all the same, three units before the separator.
  EXPECT_EQ(engineDirectory(W(u"C:\\Plugins\\ORVAX.so")), W(u"C:\\Plug"));
  EXPECT_EQ(engineDirectory(W(u"abcd\\ORVAX.so")), W(u"a"));
  EXPECT_EQ(engineDirectory(W(u"abc\\ORVAX.so")), W(u""));
}

TEST(EngineDirectory, KeepsTheWholePathWithoutASeparatorPastIndexTwo) {
  for (const char16_t* path : {u"ORVAX.so", u"C:\\ORVAX.so", u"C:/ORVAX.so", u"a\\ORVAX.so",
                               u"\\ORVAX.so", u"", u"\\", u"ab/"}) {
    EXPECT_EQ(engineDirectory(W(path)), W(path)) << utf16ToUtf8(W(path));
  }
}

TEST(EngineDirectory, KeepsLongAndNonAsciiPathsWhole) {
  const std::u16string deep(400, u'd');
  EXPECT_EQ(engineDirectory(W(u"C:\\" + deep + u"\\x64\\ORVAX.so")), W(u"C:\\" + deep + u"\\"));
  EXPECT_EQ(engineDirectory(W(u"C:\\D\u00E9j\u00E0 \U0001F600\\x64\\ORVAX.so")),
            W(u"C:\\D\u00E9j\u00E0 \U0001F600\\"));
}

TEST(EngineLibraryPath, AppendsTheFileNameDirectly) {
  EXPECT_EQ(engineLibraryPath(W(u"C:\\Plugins\\ORVAX\\")),
            W(u"C:\\Plugins\\ORVAX\\BrikolanHook.dll"));
  EXPECT_EQ(engineLibraryPath(W(u"C:\\ORVAX.so")), W(u"C:\\ORVAX.soBrikolanHook.dll"));
  EXPECT_EQ(engineLibraryPath(W(u"")), W(u"BrikolanHook.dll"));
}

}  // namespace
}  // namespace orvax
