// Files the engine refuses, also under AddressSanitizer (reads past a buffer, huge allocations).
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>

#include "CloudReaders.h"
#include "CloudWriter.h"
#include "Engine.h"
#include "ReadError.h"

namespace reference {
namespace {

struct RecordingHost : Host {
  std::vector<std::string> calls;
  void messageBox(const std::string& text) override { calls.push_back("message: " + text); }
  void pointCloudLoaded(const std::string& name, bool ok) override {
    calls.push_back("loaded: " + name + (ok ? " true" : " false"));
  }
  void analyticsPointCloudLoaded(const std::string& text) override {
    calls.push_back("analytics: " + text);
  }
  void updateView() override { calls.push_back("updateView"); }
};

const std::vector<SamplePoint> kPoints = [] {
  std::vector<SamplePoint> out;
  for (int i = 0; i < 100; ++i) out.push_back({1000.0 + i, 2000.0 - i, 30.0 + 0.5 * i, 1, 2, 3, 2});
  return out;
}();
const std::string kHead = "ply\nformat ascii 1.0\n",
                  kXyz = "element vertex 1\nproperty float x\nproperty float y\nproperty float z\n";
const std::string kLas12 = lasBytes(kPoints, {2, 3, 0.01, 0}),
                  kLas14 = lasBytes(kPoints, {4, 7, 0.01, 0});
const std::string kPly = plyBytes(kPoints, {PlyEncoding::kLittle, false, true, false}),
                  kAscii = plyBytes(kPoints, {PlyEncoding::kAscii, false, false, false});

template <class T>
std::string with(std::string bytes, std::size_t at, T value) {
  std::memcpy(&bytes[at], &value, sizeof(T));
  return bytes;
}
std::string replaced(std::string bytes, const std::string& from, const std::string& to) {
  return bytes.replace(bytes.find(from), from.size(), to);
}

// A folder of this process's own: suites of several builds may run at once.
const std::string kDir = [] {
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const auto path =
      std::filesystem::path(testing::TempDir()) / ("reference-" + std::to_string(stamp));
  std::filesystem::create_directories(path);
  return path.generic_string() + "/";
}();

const struct {
  const char* fileName;
  std::optional<std::string> bytes;  // none: no file
  const char* reason;
} kDamaged[] = {
    {"missing.ply", std::nullopt, "the file cannot be opened"},
    {"empty.ply", "", "the file is empty"},
    {"magic.las", "LASX" + kLas12.substr(4), "not a PLY or LAS file"},
    {"text.ply", "hello world\n", "not a PLY or LAS file"},
    {"cut.las", kLas12.substr(0, kLas12.size() - 5),
     "declares 100 points, but the file holds only 99"},
    {"header.las", kLas12.substr(0, 100), "ends inside its LAS header"},
    {"trillion.las", with<std::uint32_t>(kLas12, 107, 4000000000u), "declares 4000000000 points"},
    {"trillion14.las",
     with<std::uint64_t>(with<std::uint32_t>(kLas14, 107, 0), 247, 1000000000000ull),
     "declares 1000000000000 points"},
    {"counts.las", with<std::uint64_t>(with<std::uint32_t>(kLas14, 107, 50), 247, 100),
     "two point counts disagree (50 and 100)"},
    {"zero.las", with<std::uint32_t>(kLas12, 107, 0), "holds no points"},
    {"version.las", with<std::uint8_t>(kLas12, 25, 5), "LAS version 1.5 is not read"},
    {"format.las", with<std::uint8_t>(kLas12, 104, 11), "point format 11 is not known"},
    {"compressed.las", with<std::uint8_t>(kLas12, 104, 0x83), "compressed (LAZ)"},
    {"record.las", with<std::uint16_t>(kLas12, 105, 12), "shorter than point format 3"},
    {"offset.las", with<std::uint32_t>(kLas12, 96, 1u << 30), "outside the file"},
    {"scale.las", with<double>(kLas12, 131, 0.0), "unusable scale"},
    {"bounds.las", with<double>(kLas12, 179, 1010.0), "x range 1000 to 1099 lies outside"},
    {"format6in12.las", with<std::uint8_t>(kLas12, 104, 6), "does not exist in LAS 1.2"},
    {"cut.ply", kPly.substr(0, kPly.size() - 7), "100 vertex records, more than the file's"},
    {"more.ply", kPly + "extra", "more data than its PLY header declares"},
    {"huge.ply", replaced(kPly, "vertex 100", "vertex 1000000000000"),
     "declares 1000000000000 vertices"},
    {"fewer.ply", replaced(kAscii, "vertex 100", "vertex 90"), "more data than its PLY header"},
    {"zero.ply", replaced(kAscii, "vertex 100", "vertex 0"), "holds no points"},
    {"noend.ply", "ply\nformat ascii 1.0\nelement vertex 1\n", "ends inside its PLY header"},
    {"badline.ply", replaced(kAscii, "comment", "banana"), "unknown line \"banana sample scene\""},
    {"badcount.ply", replaced(kAscii, "vertex 100", "vertex -3"), "bad element line"},
    {"notnumber.ply", replaced(kAscii, "\n1000 2000", "\n1000 a\xFF"), "not a number: \"a\\xFF\""},
    {"inty.ply", replaced(kAscii, "float y", "int y"), "vertex y is not float or double"},
    {"noz.ply", replaced(kAscii, "float z", "float w"), "vertices have no z"},
    {"encoding.ply", replaced(kAscii, "ascii", "utf8"), "format \"utf8\" is not known"},
    {"endless.ply", "ply\nformat ascii 1.0\n" + std::string(70000, 'c'), "no end_header within"},
    {"nan.ply", replaced(kAscii, "\n1000 2000", "\nnan 2000"), "not finite"},
    {"headersize.las", with<std::uint16_t>(kLas12, 94, 200),
     "declares 200 bytes, less than the 227"},
    {"type.ply", kHead + "element vertex 1\nproperty float128 x\nend_header\n",
     "unknown property type"},
    {"orphan.ply", kHead + "property float x\nend_header\n", "property before any element"},
    {"floatlist.ply", kHead + "element vertex 1\nproperty list float int i\nend_header\n",
     "list counted by a floating type"},
    {"noname.ply", kHead + "element vertex 1\nproperty float\nend_header\n",
     "property without a name"},
    {"noformat.ply", "ply\nelement vertex 1\nproperty float x\nend_header\n1\n", "no format line"},
    {"empty_element.ply", kHead + "element face 1\n" + kXyz + "end_header\n1 2 3\n",
     "\"face\" has no properties"},
    {"novertex.ply", kHead + "element face 1\nproperty float x\nend_header\n1\n",
     "no vertex element"},
    {"negative.ply", kHead + kXyz + "property list int int i\nend_header\n1 2 3 -1\n",
     "negative length"},
    {"long.ply", kHead + kXyz + "end_header\n1 2 " + std::string(200, '3') + "\n",
     "too long to be a number"},
    {"short.ply", kHead + kXyz + "property float w\nend_header\n1 2 3" + std::string(10, ' '),
     "ends early (truncated)"},
    {"scan.laz", kLas12, "compressed LAS (LAZ) files are not read"},
    {"scan.e57", "ASTM-E57 data", "E57 files are not read"},
    {"renamed.dat", "ASTM-E57 data", "E57 files are not read"},
    {"office.hjp", "whatever", "hjp files are not read"},
    {"site.qsd", "whatever", "qsd files are not read"},
};

TEST(MalformedFiles, EachGivesItsReasonAndLoadsNothing) {
  for (const auto& d : kDamaged) {
    SCOPED_TRACE(d.fileName);
    const std::string path = kDir + d.fileName;
    ASSERT_TRUE(!d.bytes || writeFile(path, *d.bytes));
    Engine engine;
    RecordingHost host;
    auto reply = nlohmann::json::parse(engine.load(nlohmann::json{{"files", {path}}}.dump(), host));
    ASSERT_EQ(host.calls.size(), 2u);
    EXPECT_EQ(host.calls[0].rfind("message: Cannot load point cloud " + path + ": ", 0), 0u)
        << host.calls[0];
    EXPECT_NE(host.calls[0].find(d.reason), std::string::npos) << host.calls[0];
    EXPECT_EQ(host.calls[1], std::string("loaded: ") + d.fileName + " false");
    EXPECT_EQ(reply["clouds"][0]["status"], "error");
    EXPECT_TRUE(engine.clouds().empty());
    std::remove(path.c_str());
  }
}

// Bytes damaged at random, mostly in the headers: each read ends in points or a ReadError,
// never another exception, a crash or a read out of bounds.
TEST(MalformedFiles, RandomDamageEndsInAReadError) {
  const std::string kPlyBig = plyBytes(kPoints, {PlyEncoding::kBig, true, false, true});
  const std::string* kFiles[] = {&kLas12, &kLas14, &kPly, &kAscii, &kPlyBig};
  unsigned long long state = 12345;
  auto next = [&](std::size_t bound) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::size_t>((state >> 33) % bound);
  };
  int refused = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = *kFiles[round % 5];
    for (std::size_t n = 1 + next(4); n > 0; --n) {
      std::size_t at =
          next(8) == 0 ? next(bytes.size()) : next(std::min<std::size_t>(400, bytes.size()));
      bytes[at] = static_cast<char>(next(256));
    }
    if (next(5) == 0) bytes.resize(next(bytes.size()));
    MemorySource source(bytes);
    try {
      readCloud(source, round % 5 < 2 ? "damaged.las" : "damaged.ply");
    } catch (const ReadError& e) {
      ++refused;
      for (unsigned char ch : std::string(e.what())) ASSERT_LT(ch, 0x80) << e.what();
    }
  }
  EXPECT_GT(refused, 1000);
}

// A file refused beside a loaded one is the engine library's test (the order of the calls).
TEST(LoadRequest, AFileOfAUtf8NameItsSummaryAndTheBoundingBox) {
  const std::string good = "B\xC3\xBCro.las", path = kDir + good;  // as the host's users give
  // Written through the standard library's own UTF-8 path, not by our open.
  std::ofstream(std::filesystem::u8path(path), std::ios::binary) << kLas14;
  Engine engine;
  RecordingHost host;
  auto reply = nlohmann::json::parse(engine.load(nlohmann::json{{"files", {path}}}.dump(), host));
  const std::string summaryText =
      "{\"format\":\"LAS 1.4 point format 7\",\"name\":\"" + good + "\",\"points\":100}";
  EXPECT_EQ(host.calls, (std::vector<std::string>{"loaded: " + good + " true",
                                                  "analytics: " + summaryText, "updateView"}));
  const auto& summary = reply["clouds"][0];
  EXPECT_EQ(summary["points"], 100);
  EXPECT_EQ(summary["bounds"]["min"], (nlohmann::json{1000.0, 1901.0, 30.0}));
  EXPECT_EQ(summary["bounds"]["max"], (nlohmann::json{1099.0, 2000.0, 79.5}));
  EXPECT_EQ(engine.filterNames(), std::vector<std::string>{"ground"});
  // Hidden clouds leave the bounding box; scale and offset apply to it.
  engine.setGlobalOffset(1000, 2000, 0);
  engine.scale(2.0f);
  EXPECT_EQ(engine.boundingBox(), (std::vector<double>{1000, 1802, 60, 1198, 2000, 159}));
  engine.setVisible(good, false);
  EXPECT_TRUE(engine.boundingBox().empty());
  std::filesystem::remove(std::filesystem::u8path(path));
  host.calls.clear();
  reply = nlohmann::json::parse(engine.load(R"({"files": "scan.ply"})", host));
  EXPECT_EQ(host.calls,
            std::vector<std::string>{"message: The load request has no \"files\" list of paths"});
  EXPECT_TRUE(reply.contains("error"));
  EXPECT_EQ(engine.names(), std::vector<std::string>{good});
}

}  // namespace
}  // namespace reference
