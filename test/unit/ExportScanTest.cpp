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
constexpr std::size_t kPe = 0x80, kOptional = kPe + 24, kDirectory = 0x200, kSize = 0x2000;
constexpr std::uint32_t kTable = 0x1000, kDecoy = 0x1400;
using Offset = std::int64_t;
constexpr Offset kNone = -1;

void put(Bytes& image, std::size_t at, std::uint32_t value, int bytes = 4) {
  for (int i = 0; i < bytes; ++i) image.at(at + i) = (value >> (8 * i)) & 0xFF;
}

// A PE32+ image as the loader lays it out (RVA == offset): the export directory at
// kDirectory, then its address, name and ordinal tables, then the names.
Bytes peImage(const Exports& exports, std::size_t size = kSize) {
  Bytes image(size);
  put(image, 0, 'M' | 'Z' << 8, 2);
  put(image, 0x3C, kPe);
  put(image, kPe, 'P' | 'E' << 8);
  put(image, kPe + 4, 0x8664, 2);    // Machine
  put(image, kPe + 20, 240, 2);      // SizeOfOptionalHeader
  put(image, kOptional, 0x20B, 2);   // PE32+
  put(image, kOptional + 56, size);  // SizeOfImage
  put(image, kOptional + 108, 16);   // NumberOfRvaAndSizes
  const std::size_t n = exports.size(), functions = kDirectory + 40, names = functions + 4 * n;
  std::size_t text = names + 6 * n;
  put(image, kDirectory + 20, n);
  put(image, kDirectory + 24, n);
  put(image, kDirectory + 28, functions);
  put(image, kDirectory + 32, names);
  put(image, kDirectory + 36, names + 4 * n);
  for (std::size_t i = 0; i < n; ++i) {
    put(image, functions + 4 * i, exports[i].second);
    put(image, names + 4 * i, text);
    put(image, names + 4 * n + 2 * i, i, 2);
    std::memcpy(&image[text], exports[i].first.c_str(), exports[i].first.size() + 1);
    text += exports[i].first.size() + 1;
  }
  put(image, kOptional + 112, kDirectory);
  put(image, kOptional + 116, text - kDirectory);
  return image;
}

// The offset of what the scan finds, kNone for nothing. Each image is allocated exactly as
// long as it is, so the address sanitizer sees any read past its end.
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
  for (const char* name : {"myEntryPoin", "myEntryPointXY", "MyEntryPoint", "", "xmyEntryPoint"}) {
    EXPECT_EQ(find(image, name), kNone) << name;
  }
  // A forwarder's address is a "Library.Symbol" text inside the export directory.
  EXPECT_EQ(find(peImage({{"myEntryPoint", kDecoy},
                          {"myEntryPoint", kTable},
                          {"myEntryPoint", kDirectory + 44}}),
                 "myEntryPoint"),
            kTable);
}

TEST(FindExportInImage, RefusesImagesThatAreNotPe32PlusOrReachOutside) {
  const Bytes good = peImage({{"other", kDecoy}, {"myEntryPoint", kTable}});
  ASSERT_EQ(find(good, "myEntryPoint"), kTable);
  const std::size_t functions = kDirectory + 40, names = functions + 8;
  const struct {
    std::size_t at;
    std::uint32_t value;
    int bytes;
    Offset found = kNone;
  } patches[] = {
      {names + 10, 0, 2, kDecoy},           // the address through the name's ordinal
      {0, 0, 2},                            // no MZ
      {kPe, 0, 2},                          // no PE signature
      {kOptional, 0x10B, 2},                // 32-bit PE
      {kPe + 20, 100, 2},                   // optional header too short
      {0x3C, 0x1FF0, 4},                    // headers past the end
      {0x3C, 0xFFFFFFF0, 4},                // offset wraps around
      {kOptional + 108, 0, 4},              // no data directories
      {kOptional + 112, 0, 4},              // no export directory
      {kOptional + 112, kSize, 4},          // directory at the end
      {kOptional + 112, kSize - 39, 4},     // directory straddles the end
      {kDirectory + 24, 0, 4},              // no names
      {kDirectory + 24, 0x40000000, 4},     // name count beyond the image
      {kDirectory + 20, 0xFFFFFFFF, 4},     // function count beyond the image
      {kDirectory + 28, kSize - 4, 4},      // address table past the end
      {kDirectory + 32, kSize - 4, 4},      // name table past the end
      {kDirectory + 36, kSize - 2, 4},      // ordinal table past the end
      {names + 4, kSize, 4},                // a name outside the image
      {names, 0xFFFFFFFF, 4},               // even one that is not the match
      {kDirectory + 20, 1, 4},              // ordinal beyond the address table
      {functions + 4, kSize, 4},            // address outside the image
      {functions + 4, 0, 4},                // no address
      {functions + 4, kDirectory + 40, 4},  // only a forwarder
  };
  for (const auto& p : patches) {
    Bytes bytes = good;
    put(bytes, p.at, p.value, p.bytes);
    EXPECT_EQ(find(bytes, "myEntryPoint"), p.found) << std::hex << p.at << " " << p.value;
  }
  EXPECT_EQ(findExportInImage(nullptr, kSize, "myEntryPoint"), nullptr);
  EXPECT_EQ(find(good, nullptr), kNone);
}

TEST(FindExportInImage, NeverReadsPastTheImageForANameAtItsEnd) {
  Bytes bytes = peImage({{"other", kDecoy}});
  // The name's last bytes are the image's last bytes, with no terminator inside it.
  std::memcpy(&bytes[kSize - 12], "myEntryPoint", 12);
  put(bytes, kDirectory + 44, kSize - 12);
  for (const char* name : {"myEntryPoint", "myEntryPointXYZ", "m"}) {
    EXPECT_EQ(find(bytes, name), kNone) << name;
  }
}

TEST(DeclaredImageSize, ReadsOnlyTheHeadersAndTheFirstDataDirectory) {
  Bytes head = peImage({}, 0x3000);
  head.resize(kOptional + 120);
  head.shrink_to_fit();
  EXPECT_EQ(declaredImageSize(head.data(), head.size()), 0x3000u);
  EXPECT_EQ(declaredImageSize(head.data(), head.size() - 1), 0u);
  EXPECT_EQ(declaredImageSize(nullptr, 0x1000), 0u);
}

}  // namespace
}  // namespace orvax
