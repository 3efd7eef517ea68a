#include <gtest/gtest.h>

#include "HostSubstitutes.h"
#include "portable/OpenDialog.h"

namespace orvax {
using test::W;
using Paths = std::vector<std::string>;
using std::string_view_literals::operator""sv;

TEST(OpenDialogSettings, HoldTheRequestFieldByField) {
  const auto owner = reinterpret_cast<platform::WindowHandle>(0x1234);
  const OpenDialogSettings s = openDialogSettings(owner);
  EXPECT_EQ(std::tie(s.structureSize, s.owner, s.filterIndex, s.bufferUnits, s.flags,
                     s.defaultExtension, s.filter),
            std::make_tuple(152u, owner, 0u, 100000u, 0x81204u, W(u"hjp"),
                            W(u"All 3D file formats\0*.hjp;*.e57;*.las;*.laz;*.qsd;*.ply\0"
                              u"HJP Files (*.hjp)\0*.hjp\0E57 Files (*.e57)\0*.e57\0"
                              u"LAS LAZ Files (*.las;*.laz)\0*.las;*.laz\0"
                              u"QSD Files (*.qsd)\0*.qsd\0PLY Files (*.ply)\0*.ply\0\0"sv)));
}

// A drive root keeps its backslash and gets one more; without the final terminators the
// names end where the buffer ends.
TEST(ParseDialogSelection, OneFileOrADirectoryWithNames) {
  const std::pair<std::u16string_view, Paths> cases[] = {
      {u"C:\\Scans\\a.e57\0\0\0"sv, {"C:\\Scans\\a.e57"}},
      {u"C:\\Scans\0a.e57\0b.las\0c.ply\0\0"sv,
       {"C:\\Scans\\a.e57", "C:\\Scans\\b.las", "C:\\Scans\\c.ply"}},
      {u"D:\\\0a.hjp\0b.hjp\0\0"sv, {"D:\\\\a.hjp", "D:\\\\b.hjp"}},
      {u"C:\\D\u00E9j\u00E0\0\u00E9 \U0001F600.e57\0\0"sv,
       {"C:\\D\xC3\xA9j\xC3\xA0\\\xC3\xA9 \xF0\x9F\x98\x80.e57"}},
      {u"C:\\Scans\0a.e57\0b.las"sv, {"C:\\Scans\\a.e57", "C:\\Scans\\b.las"}},
      {u"C:\\Scans\\a.e57"sv, {"C:\\Scans\\a.e57"}},
      {u"\0\0\0"sv, {}},
      {u""sv, {}},
  };
  const auto parse = [](std::u16string_view buffer, const Utf8Conversion& toUtf8) {
    const WideString units = W(buffer);
    return parseDialogSelection(units.data(), units.size(), toUtf8);
  };
  for (const auto& [buffer, paths] : cases)
    EXPECT_EQ(parse(buffer, utf16ToUtf8), paths) << utf16ToUtf8(W(buffer));
  const auto marked = [](const WideString& text) { return "<" + utf16ToUtf8(text) + ">"; };
  EXPECT_EQ(parse(u"C:\\S\0a\0b\0\0"sv, marked), (Paths{"<C:\\S\\a>", "<C:\\S\\b>"}));
}

}  // namespace orvax
