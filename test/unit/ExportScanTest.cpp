#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "portable/ExportScan.h"

namespace orvax {
namespace {

using Bytes = std::vector<unsigned char>;
using Exports = std::vector<std::pair<std::string, std::uint32_t>>;
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
Bytes peImage(const Exports& exports, std::size_t size = kSize) {
  Bytes image(size);
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
      {kOptionalSize, 240}, {kRvaCount, 16}, {kOptional, 0x20B}, {kOptional + 56, size},
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

TEST(FindExportInImage, MatchesOnlyTheExactNameAndTheLastRealMatchWins) {
  const Bytes image = peImage({{"MYENTRYPOINT", kDecoy},
                               {"myEntry", kDecoy + 8},
                               {"myEntryPoint", kTable},
                               {"myEntryPointX", kDecoy + 16},
                               {"myentrypoint", kDecoy + 24}});
  EXPECT_EQ(find(image, "myEntryPoint"), kTable);
  EXPECT_EQ(find(image, "myEntry"), kDecoy + 8);
  for (const char* name : {"myEntryPoin", "myEntryPointXY", "MyEntryPoint", "", "xmyEntryPoint"})
    EXPECT_EQ(find(image, name), kNone) << name;
  // A forwarder's address is a "Library.Symbol" text inside the export directory.
  const Bytes forwarded = peImage(
      {{"myEntryPoint", kDecoy}, {"myEntryPoint", kTable}, {"myEntryPoint", kDirectory + 44}});
  EXPECT_EQ(find(forwarded, "myEntryPoint"), kTable);
}

TEST(FindExportInImage, RefusesImagesThatAreNotPe32PlusOrReachOutside) {
  const Bytes good = peImage({{"other", kDecoy}, {"myEntryPoint", kTable}});
  ASSERT_EQ(find(good, "myEntryPoint"), kTable);
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
  // A name whose last bytes are the image's last, with no terminator inside it.
  Bytes atEnd = peImage({{"other", kDecoy}});
  std::memcpy(&atEnd[kSize - 12], "myEntryPoint", 12);
  put(atEnd, kFunctions + 4, kSize - 12);
  for (const char* name : {"myEntryPoint", "myEntryPointXYZ", "m"})
    EXPECT_EQ(find(atEnd, name), kNone) << name;
}

TEST(DeclaredImageSize, ReadsOnlyTheHeadersAndTheFirstDataDirectory) {
  Bytes head = peImage({}, 0x3000);
  head.resize(kExportRva + 8);
  head.shrink_to_fit();
  EXPECT_EQ(declaredImageSize(head.data(), head.size()), 0x3000u);
  EXPECT_EQ(declaredImageSize(head.data(), head.size() - 1), 0u);
  EXPECT_EQ(declaredImageSize(nullptr, 0x1000), 0u);
}

}  // namespace
}  // namespace orvax
