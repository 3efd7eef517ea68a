// The portable logic that needs no substitute: texts, paths, the camera cells, the device id.
#include <gtest/gtest.h>

#include <cmath>

#include "HostSubstitutes.h"
#include "portable/CameraMatrix.h"
#include "portable/DeviceId.h"
#include "portable/LibraryPath.h"
#include "portable/OpenDialog.h"
#include "portable/Utf16.h"

namespace orvax {
namespace {
using test::W;
using Paths = std::vector<std::string>;
using Serials = std::vector<std::optional<WideString>>;
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

// Each vector lands in its three cells, the Z axis and the eye negated, and nowhere else.
TEST(CameraMatrix, EachVectorWritesItsCellsOnly) {
  const int cells[4][3] = {{0, 4, 8}, {1, 5, 9}, {2, 6, 10}, {12, 13, 14}};
  const double values[3] = {1, 2, -0.0};
  for (int v = 0; v < 4; ++v) {
    double m[16], expected[16];
    std::fill_n(m, 16, 7.0);
    std::fill_n(expected, 16, 7.0);
    for (int i = 0; i < 3; ++i) expected[cells[v][i]] = v < 2 ? values[i] : -values[i];
    setCameraVector(m, CameraVector(v), 1, 2, -0.0);
    for (int i = 0; i < 16; ++i) {
      EXPECT_EQ(m[i], expected[i]) << "cell " << i << " of vector " << v;
      EXPECT_EQ(std::signbit(m[i]), std::signbit(expected[i])) << "cell " << i << " of " << v;
    }
  }
}

// No list: the service cannot be reached.
struct FakeMedia final : platform::MediaService {
  std::optional<Serials> media;
  bool forEachMedium(const Visit& visit) override {
    for (const auto& serial : media.value_or(Serials{})) visit(serial);
    return media.has_value();
  }
};

TEST(DeviceId, TheLastReportingMediumWinsUntrimmedUpToAZeroUnitEachUnitByItself) {
  const std::pair<std::optional<Serials>, std::string> cases[] = {
      {std::nullopt, ""},
      {Serials{}, "unknown"},
      {Serials{std::nullopt, std::nullopt}, "unknown"},
      {Serials{W(u"A1"), W(u"  WD-123 X  ")}, "  WD-123 X  "},
      {Serials{std::nullopt, W(u"A1"), std::nullopt}, "A1"},
      {Serials{W(u"")}, ""},
      {Serials{W(std::u16string_view(u"AB\0CD", 5))}, "AB"},
      {Serials{W(u"\u00E9\U0001F600")}, "\xC3\xA9\xED\xA0\xBD\xED\xB8\x80"}};
  for (const auto& [media, id] : cases) {
    FakeMedia fake;
    fake.media = media;
    EXPECT_EQ(deviceId(fake), id);
  }
}

}  // namespace
}  // namespace orvax
