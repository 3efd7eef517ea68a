#include <gtest/gtest.h>

#include "WideText.h"
#include "portable/OpenDialog.h"

namespace orvax {
namespace {

using test::W;
using Paths = std::vector<std::string>;

TEST(OpenDialogSettings, HoldTheRequestFieldByField) {
  const auto owner = reinterpret_cast<platform::WindowHandle>(0x1234);
  const OpenDialogSettings settings = openDialogSettings(owner);
  EXPECT_EQ(settings.structureSize, 152u);
  EXPECT_EQ(settings.owner, owner);
  EXPECT_EQ(settings.filterIndex, 0u);
  EXPECT_EQ(settings.bufferUnits, 100000u);
  EXPECT_EQ(settings.flags, 0x81204u);
  EXPECT_EQ(settings.defaultExtension, W(u"hjp"));
  using namespace std::string_view_literals;
  const std::u16string_view filter =
      u"All 3D file formats\0*.hjp;*.e57;*.las;*.laz;*.qsd;*.ply\0"
      u"HJP Files (*.hjp)\0*.hjp\0"
      u"E57 Files (*.e57)\0*.e57\0"
      u"LAS LAZ Files (*.las;*.laz)\0*.las;*.laz\0"
      u"QSD Files (*.qsd)\0*.qsd\0"
      u"PLY Files (*.ply)\0*.ply\0"
      u"\0"sv;
  EXPECT_EQ(settings.filter, W(filter));
  EXPECT_EQ(openDialogSettings(nullptr).owner, nullptr);
}

Paths parse(std::u16string_view buffer) {
  const WideString units = W(buffer);
  return parseDialogSelection(units.data(), units.size(), utf16ToUtf8);
}

TEST(ParseDialogSelection, OneFileOrADirectoryWithNames) {
  using namespace std::string_view_literals;
  const struct {
    std::u16string_view buffer;
    Paths paths;
  } cases[] = {
      {u"C:\\Scans\\a.e57\0\0\0"sv, {"C:\\Scans\\a.e57"}},
      {u"C:\\Scans\0a.e57\0b.las\0c.ply\0\0"sv,
       {"C:\\Scans\\a.e57", "C:\\Scans\\b.las", "C:\\Scans\\c.ply"}},
      // A drive root keeps its backslash; one more is always inserted.
      {u"D:\\\0a.hjp\0b.hjp\0\0"sv, {"D:\\\\a.hjp", "D:\\\\b.hjp"}},
      {u"C:\\D\u00E9j\u00E0\0\u00E9t\u00E9 \U0001F600.e57\0x.qsd\0\0"sv,
       {"C:\\D\xC3\xA9j\xC3\xA0\\\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80.e57",
        "C:\\D\xC3\xA9j\xC3\xA0\\x.qsd"}},
      {u"C:\\a\xD800.e57\0\0"sv, {"C:\\a\xEF\xBF\xBD.e57"}},
      // Cut without the final terminators: the names end where the buffer ends.
      {u"C:\\Scans\0a.e57\0b.las"sv, {"C:\\Scans\\a.e57", "C:\\Scans\\b.las"}},
      {u"C:\\Scans\\a.e57"sv, {"C:\\Scans\\a.e57"}},
      // Nothing chosen after all.
      {u"\0\0\0"sv, {}},
      {u""sv, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(parse(c.buffer), c.paths) << utf16ToUtf8(W(c.buffer));
}

TEST(ParseDialogSelection, ConvertsEachPathWithTheGivenConversion) {
  const WideString units = W(std::u16string_view(u"C:\\S\0a\0b\0\0", 10));
  Paths seen;
  const Paths paths = parseDialogSelection(units.data(), units.size(), [&](const WideString& t) {
    seen.push_back(utf16ToUtf8(t));
    return "<" + seen.back() + ">";
  });
  EXPECT_EQ(seen, (Paths{"C:\\S\\a", "C:\\S\\b"}));
  EXPECT_EQ(paths, (Paths{"<C:\\S\\a>", "<C:\\S\\b>"}));
}

}  // namespace
}  // namespace orvax
