// The portable logic against substitutes of the system: texts, paths, the camera cells, the
// device id, the export scan, the memory walk and the window search.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "HostSubstitutes.h"
#include "portable/CameraMatrix.h"
#include "portable/Console.h"
#include "portable/DeviceId.h"
#include "portable/ExportScan.h"
#include "portable/LibraryPath.h"
#include "portable/MemoryScan.h"
#include "portable/OpenDialog.h"
#include "portable/Utf16.h"
#include "portable/WindowSearch.h"

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
    std::string utf8;  // pairs combined, a lone surrogate replaced
  } cases[] = {
      {u"", ""},
      {u"a\0b"sv, "a\0b"s},
      {u"\u00E9\u07FF\u0800\uFFFF", "\xC3\xA9\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
      {u"\U00010000\U0010FFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
      {u"\xD83D", fffd},
      {u"\xDE00x", fffd + "x"},
      {u"\xD83D\xD83D\xDE00", fffd + "\xF0\x9F\x98\x80"},
  };
  WideString back;
  for (const auto& c : cases) {
    EXPECT_EQ(utf16ToUtf8(W(c.units)), c.utf8) << c.utf8;
    EXPECT_TRUE(utf8ToUtf16(c.utf8, back)) << c.utf8;
    EXPECT_TRUE(back == W(c.units) || c.utf8.find(fffd) != std::string::npos) << c.utf8;
  }
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
      {u"C:/a\\b/x64\\ORVAX.so", u"C:/a\\b/"},
      {u"C:\\Plugins\\ORVAX.so", u"C:\\Plug"},
      {u"abc\\ORVAX.so", u""},
      {deep + u"x64\\ORVAX.so", deep}};
  for (const auto& [path, directory] : cases)
    EXPECT_EQ(engineDirectory(W(path)), W(directory)) << utf16ToUtf8(W(path));
  for (const char16_t* path : {u"ORVAX.so", u"C:\\ORVAX.so", u"\\ORVAX.so", u"ab/", u""})
    EXPECT_EQ(engineDirectory(W(path)), W(path)) << utf16ToUtf8(W(path));
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
      {u"D:\\\0a.hjp\0b.las\0c.ply\0\0"sv, {"D:\\\\a.hjp", "D:\\\\b.las", "D:\\\\c.ply"}},
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
  EXPECT_EQ(parse(u"C:\\S\\a\0\0"sv, marked), Paths{"<C:\\S\\a>"});
}

// Each vector lands in its three cells, the Z axis and the eye negated, and nowhere else.
TEST(CameraMatrix, EachVectorWritesItsCellsOnly) {
  const int cells[4][3] = {{0, 4, 8}, {1, 5, 9}, {2, 6, 10}, {12, 13, 14}};
  for (int v = 0; v < 4; ++v) {
    double m[16];
    std::fill_n(m, 16, 7.0);
    std::vector<double> expected(16, 7.0);
    for (int i = 0; i < 3; ++i) expected[cells[v][i]] = (v < 2 ? 1 : -1) * (i + 1.0);
    setCameraVector(m, CameraVector(v), 1, 2, 3);
    EXPECT_EQ(std::vector<double>(m, m + 16), expected) << "vector " << v;
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
      {Serials{std::nullopt, std::nullopt}, "unknown"},
      {Serials{W(u"A1"), std::nullopt, W(u"  WD-123 X  "), std::nullopt}, "  WD-123 X  "},
      {Serials{W(u"")}, ""},
      {Serials{W(u"\u00E9\U0001F600\0CD"sv)}, "\xC3\xA9\xED\xA0\xBD\xED\xB8\x80"}};
  for (const auto& [media, id] : cases) {
    FakeMedia fake;
    fake.media = media;
    EXPECT_EQ(deviceId(fake), id);
  }
}

using Bytes = std::vector<unsigned char>;
using Offset = std::int64_t;
constexpr Offset kNone = -1;
constexpr std::uint32_t kTable = 0x1000, kDecoy = 0x1400;
// Where the headers, the export directory and its tables lie.
constexpr std::size_t kPe = 0x80, kOptional = kPe + 24, kDirectory = 0x200, kSize = 0x2000,
                      kLfanew = 0x3C, kOptionalSize = kPe + 20, kRvaCount = kOptional + 108,
                      kExportRva = kOptional + 112, kFunctionCount = kDirectory + 20,
                      kNameCount = kDirectory + 24, kFunctionsRva = kDirectory + 28,
                      kNamesRva = kDirectory + 32, kOrdinalsRva = kDirectory + 36,
                      kFunctions = kDirectory + 40;

void put(Bytes& image, std::size_t at, std::size_t value, int bytes = 4) {
  for (int i = 0; i < bytes; ++i) image.at(at + i) = (value >> (8 * i)) & 0xFF;
}

// A PE32+ image as the loader lays it out (RVA == offset), the names after the tables.
Bytes peImage(const std::vector<std::pair<std::string, std::uint32_t>>& exports) {
  Bytes image(kSize);
  const std::size_t n = exports.size(), names = kFunctions + 4 * n;
  std::size_t text = names + 6 * n;
  for (std::size_t i = 0; i < n; text += exports[i++].first.size() + 1) {
    put(image, kFunctions + 4 * i, exports[i].second);
    put(image, names + 4 * i, text);
    put(image, names + 4 * n + 2 * i, i, 2);
    std::memcpy(&image[text], exports[i].first.c_str(), exports[i].first.size() + 1);
  }
  // clang-format off
  const std::pair<std::size_t, std::size_t> fields[] = {
      {0, 'M' | 'Z' << 8}, {kLfanew, kPe}, {kPe, 'P' | 'E' << 8}, {kPe + 4, 0x8664},
      {kOptionalSize, 240}, {kRvaCount, 16}, {kOptional, 0x20B}, {kOptional + 56, kSize},
      {kExportRva, kDirectory}, {kExportRva + 4, text - kDirectory}, {kNameCount, n},
      {kFunctionCount, n}, {kFunctionsRva, kFunctions}, {kNamesRva, names},
      {kOrdinalsRva, names + 4 * n}};
  // clang-format on
  for (const auto& [at, value] : fields) put(image, at, value);
  return image;
}

// Each image is allocated exactly as long as it is: the address sanitizer sees any read past.
Offset find(const Bytes& image, const char* name) {
  auto* found = static_cast<unsigned char*>(findExportInImage(image.data(), image.size(), name));
  return found ? found - image.data() : kNone;
}

// The last match, a forwarder, points at a "Library.Symbol" text in the export directory.
TEST(FindExportInImage, MatchesOnlyTheExactNameAndTheLastRealMatchWins) {
  const Bytes image = peImage({{"myEntryPoint", kDecoy},
                               {"myEntry", kDecoy + 8},
                               {"myEntryPoint", kTable},
                               {"myEntryPointX", kDecoy + 16},
                               {"myentrypoint", kDecoy + 24},
                               {"myEntryPoint", kDirectory + 44}});
  EXPECT_EQ(find(image, "myEntryPoint"), kTable);
  EXPECT_EQ(find(image, "myEntry"), kDecoy + 8);
  for (const char* name : {"myEntryPoin", "myEntryPointXY", "MyEntryPoint", "", "xmyEntryPoint"})
    EXPECT_EQ(find(image, name), kNone) << name;
}

TEST(FindExportInImage, RefusesImagesThatAreNotPe32PlusOrReachOutside) {
  const Bytes good = peImage({{"other", kDecoy}, {"myEntryPoint", kTable}});
  const std::size_t names = kFunctions + 8;
  // clang-format off
  const struct { std::size_t at, value; Offset found = kNone; } patches[] = {
      {names + 10, 0, kDecoy},  // the address through the name's ordinal
      {0, 0}, {kPe, 0}, {kOptional, 0x10B}, {kOptionalSize, 100},  // not PE32+, headers outside
      {kLfanew, 0x1FF0}, {kLfanew, 0xFFFFFFF0}, {kRvaCount, 0}, {kExportRva, 0},  // or none
      {kExportRva, kSize}, {kExportRva, kSize - 39},  // the directory past the end
      {kNameCount, 0}, {kNameCount, 0x40000000}, {kFunctionCount, 0xFFFFFFFF},  // counts
      {kFunctionsRva, kSize - 4}, {kNamesRva, kSize - 4}, {kOrdinalsRva, kSize - 2},  // tables
      {names + 4, kSize}, {names, 0xFFFFFFFF},  // a name outside, even one that does not match
      {kFunctionCount, 1}, {kFunctions + 4, kSize}, {kFunctions + 4, 0},  // no address
      {kFunctions + 4, kFunctions}};  // only a forwarder
  // clang-format on
  for (const auto& p : patches) {
    Bytes bytes = good;
    put(bytes, p.at, p.value);
    EXPECT_EQ(find(bytes, "myEntryPoint"), p.found) << std::hex << p.at << " " << p.value;
  }
  EXPECT_EQ(findExportInImage(nullptr, kSize, "myEntryPoint"), nullptr);
  EXPECT_EQ(find(good, nullptr), kNone);
  // The declared size, read from the headers and the first data directory only.
  EXPECT_EQ(declaredImageSize(good.data(), kExportRva + 8), kSize);
  EXPECT_EQ(declaredImageSize(good.data(), kExportRva + 7), 0u);
  // A name whose last bytes are the image's last, with no terminator inside it.
  Bytes atEnd = peImage({{"other", kDecoy}});
  std::memcpy(&atEnd[kSize - 12], "myEntryPoint", 12);
  put(atEnd, kFunctions + 4, kSize - 12);
  for (const char* name : {"myEntryPoint", "myEntryPointXYZ", "m"})
    EXPECT_EQ(find(atEnd, name), kNone) << name;
}

using platform::MemoryRegion;

// Regions laid end to end from address 0; past them, nine of size `beyond` if it is set.
struct FakeMemory final : platform::MemoryReader {
  MemoryRegion add(std::size_t size, bool committed = true, bool readWrite = true) {
    regions.push_back({bytes.size(), size, committed, readWrite});
    bytes.resize(bytes.size() + size, 0xAA);
    return regions.back();
  }
  void plant(const MemoryRegion& region, std::size_t at) {
    std::memcpy(&bytes[region.base + at], kScanPattern, kPatternSize);
  }
  bool describe(std::uintptr_t address, MemoryRegion& out) override {
    for (const MemoryRegion& r : regions) {
      if (address - r.base < r.size) return out = r, true;
    }
    out = {address, beyond.value_or(0), true, true};
    return beyond && ++describedBeyond < 10;
  }
  std::size_t read(std::uintptr_t address, void* out, std::size_t size) override {
    MemoryRegion r;
    if (address >= bytes.size() || !describe(address, r)) return 0;
    const std::size_t n = std::min(size, r.base + r.size - address);
    std::memcpy(out, &bytes[address], n);
    reads[r.base] += n;
    return n;
  }
  std::vector<MemoryRegion> regions;
  std::optional<std::size_t> beyond;
  int describedBeyond = 0;
  std::vector<unsigned char> bytes;
  std::map<std::uintptr_t, std::size_t> reads;
};

TEST(MemoryScan, SearchesStartOffsetsUpToSizeMinus65) {
  const struct {
    std::size_t size, planted;
    std::optional<std::size_t> found;
  } cases[] = {
      {4096, 0, 0}, {4096, 4031, 4031},    {4096, 4032, std::nullopt}, {4096, 4064, std::nullopt},
      {65, 0, 0},   {64, 0, std::nullopt}, {200000, 131070, 131070},  // across a chunk boundary
  };
  for (const auto& c : cases) {
    FakeMemory memory;
    const MemoryRegion region = memory.add(c.size);
    memory.plant(region, c.planted);
    EXPECT_EQ(findPatternInRegion(memory, region), c.found) << c.size << " " << c.planted;
  }
  FakeMemory memory;  // the first match ends the search: nothing read past its chunk
  const MemoryRegion region = memory.add(300000);
  memory.plant(region, 1000);
  memory.plant(region, 200000);
  EXPECT_EQ(findPatternInRegion(memory, region), 1000u);
  EXPECT_LT(memory.reads[0], 100000u);
}

TEST(MemoryScan, PrintsAndSearchesOnlyCommittedReadWriteRegionsAndEndsAtEmptyOrWrappingOnes) {
  FakeMemory memory;
  test::RecordingConsole console;
  scanMemory(memory, console);  // not even a first region
  EXPECT_TRUE(console.lines.empty());
  memory.add(4096, false, false);  // free
  const MemoryRegion rw = memory.add(8192);
  const MemoryRegion readOnly = memory.add(4096, true, false);
  memory.add(4096, false, true);  // reserved
  const MemoryRegion second = memory.add(4096);
  scanMemory(memory, console);
  EXPECT_EQ(console.lines,
            (std::vector<std::string>{"------------------", pointerText(rw.base) + " 8192",
                                      "------------------", pointerText(second.base) + " 4096"}));
  EXPECT_EQ(memory.reads.count(readOnly.base), 0u);
  EXPECT_GT(memory.reads[second.base], 0u);
  // A region that would not move the walk on, or would move it past the top, is the last.
  for (std::size_t size : {std::size_t{0}, ~std::size_t{0} - 4095}) {
    FakeMemory endless;
    endless.add(4096);
    endless.beyond = size;
    console.lines.clear();
    scanMemory(endless, console);
    EXPECT_EQ(console.lines.size(), 4u) << size;
  }
}

using Handles = std::vector<WindowHandle>;
using Request = std::pair<std::size_t, std::uint32_t>;  // capacity, time-out
WindowHandle H(std::size_t number) { return reinterpret_cast<WindowHandle>(number); }
std::size_t N(WindowHandle w) { return reinterpret_cast<std::size_t>(w); }

// Handles number the windows from 1 as added, after a null one at the top level; a window's
// text is its title or class name.
struct FakeWindows final : platform::WindowSystem {
  static constexpr std::uint32_t kOwnProcess = 4242;
  struct Window {
    WideString text;
    std::size_t parent;  // 0: top level
    std::uint32_t process;
    bool answers;
  };
  std::vector<Window> windows;
  std::vector<Request> requests;
  test::RecordingConsole console;

  WindowHandle add(std::u16string_view text, WindowHandle parent = nullptr,
                   std::uint32_t process = kOwnProcess, bool answers = true) {
    windows.push_back({W(text), N(parent), process, answers});
    return H(windows.size());
  }
  Handles search() { return findHostWindows(*this, console); }
  std::uint32_t currentProcessId() override { return kOwnProcess; }
  void forEachTopLevel(const Visit& visit) override {
    if (visit(nullptr)) children(0, visit, false);
  }
  void forEachDescendant(WindowHandle parent, const Visit& visit) override {
    children(N(parent), visit, true);
  }
  std::uint32_t ownerProcess(WindowHandle w) override { return at(w).process; }
  WideString title(WindowHandle w, std::size_t capacity, std::uint32_t timeout) override {
    requests.push_back({capacity, timeout});
    return at(w).answers ? at(w).text : WideString();
  }
  WideString className(WindowHandle w, std::size_t capacity) override {
    requests.push_back({capacity, 0});
    return at(w).text;
  }
  Window& at(WindowHandle w) { return windows.at(N(w) - 1); }
  // Depth first when `deep`, as the system visits descendants.
  bool children(std::size_t parent, const Visit& visit, bool deep) {
    for (std::size_t i = 1; i <= windows.size(); ++i) {
      if (windows[i - 1].parent != parent) continue;
      if (!visit(H(i)) || (deep && !children(i, visit, deep))) return false;
    }
    return true;
  }
};

TEST(WindowSearch, MatchesTitlesOfAnsweringWindowsOfItsOwnProcessCaseSensitively) {
  FakeWindows windows;
  for (auto title : {u"Brikolan Pro 2019", u"m.skp Brikolan Pro 2024", u"x Brikolan Pro 2020 y",
                     u"brikolan pro 2019", u"- BRIKOLAN", u"-Brikolan", u"Brikolan Pro 2021", u""})
    windows.add(title);
  windows.add(u"Brikolan Pro 2019", nullptr, 7);
  windows.add(u"Brikolan Pro 2019", nullptr, FakeWindows::kOwnProcess, false);
  // Read into 256 units: the first loses the pattern's last unit, the second keeps it.
  windows.add(std::u16string(239, u'a') + u"Brikolan Pro 2019");
  windows.add(std::u16string(238, u'a') + u"Brikolan Pro 2019 and more");
  windows.add(std::u16string_view(u"a\0Brikolan Pro 2019", 19));  // ends at the terminator
  EXPECT_EQ(windows.search(), (Handles{H(1), H(2), H(3), H(12)}));
  EXPECT_EQ(windows.console.lines.size(), 4u);
  EXPECT_EQ(windows.console.lines.back(), "w:" + std::string(238, 'a') + "Brikolan Pro 2019");
  // Never asked of another process's window.
  EXPECT_EQ(windows.requests, std::vector<Request>(12, {256, 1000}));
}

TEST(WindowSearch, ViewClassesStopOrGoOn) {
  const struct {
    std::vector<std::u16string_view> classes;  // each the child of the one before
    Handles found;                             // main windows are 1 and 2; descendants from 3
    std::size_t views;
  } cases[] = {
      {{}, {H(1), H(2)}, 0},
      {{u"AfxFrameOrView140u", u"AfxFrameOrView140u"}, {H(1), H(3)}, 1},
      {{u"Other", u"Qt5155QWindowIcon"}, {H(1), H(4)}, 1},
      // A later descendant of any class clears it again.
      {{u"Qt5155QWindowIcon", u"Other"}, {H(1), H(2)}, 1},
      {{u"Qt5155QWindowIcon", u"AfxFrameOrView140u", u"Other"}, {H(1), H(4)}, 2},
      // Compared whole and case-sensitively.
      {{u"AfxFrameOrView140uX", u"AfxFrameOrView140", u"afxframeorview140u"}, {H(1), H(2)}, 0},
  };
  for (const auto& c : cases) {
    FakeWindows windows;
    WindowHandle parent = windows.add(u"a - Brikolan");
    windows.add(u"b - Brikolan");
    for (const auto& name : c.classes) parent = windows.add(name, parent);
    EXPECT_EQ(windows.search(), c.found);
    const auto& lines = windows.console.lines;
    EXPECT_EQ(lines.size(), (c.found.back() == H(2) ? 2 : 1) + 2 * c.views);
    EXPECT_TRUE(c.found.back() == H(2) || lines.back() == pointerText(c.found.back()));
    for (const Request& r : windows.requests) EXPECT_TRUE(r == (Request{200, 0}) || r.second != 0);
  }
  // A main window and its view; two main windows and the second's view.
  EXPECT_EQ((Handles{pickDialogOwner({}), pickDialogOwner({H(1)}), pickDialogOwner({H(1), H(2)}),
                     pickDialogOwner({H(1), H(2), H(3)})}),
            (Handles{nullptr, H(1), H(1), H(2)}));
  EXPECT_EQ(pointerText(std::uintptr_t{0xABCDEF}) + pointerText(~std::uintptr_t{0}),
            "0000000000ABCDEFFFFFFFFFFFFFFFFF");
}

}  // namespace
}  // namespace orvax
