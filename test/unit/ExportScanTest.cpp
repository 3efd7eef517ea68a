#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "portable/ExportScan.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace orvax {
namespace {

// Builds a PE32+ image as the loader lays it out (RVA == offset): headers at 0, the export
// directory and its tables at kExports, names after them.
class ImageBuilder {
 public:
  static constexpr std::size_t kHeaders = 0x80;  // e_lfanew
  static constexpr std::size_t kOptional = kHeaders + 24;
  static constexpr std::size_t kExports = 0x200;
  static constexpr std::size_t kDataStart = 0x1000;

  struct Export {
    std::string name;
    std::uint32_t rva;
    std::uint16_t ordinal;  // index into the address table
  };

  ImageBuilder& add(std::string name, std::uint32_t rva) {
    const auto ordinal = static_cast<std::uint16_t>(exports_.size());
    exports_.push_back({std::move(name), rva, ordinal});
    return *this;
  }
  ImageBuilder& withoutExports() {
    noExports_ = true;
    return *this;
  }

  std::vector<unsigned char> build(std::size_t size = 0x2000) const {
    std::vector<unsigned char> image(size);
    image[0] = 'M';
    image[1] = 'Z';
    put32(image, 0x3C, kHeaders);
    std::memcpy(&image[kHeaders], "PE\0\0", 4);
    put16(image, kHeaders + 4, 0x8664);                              // Machine
    put16(image, kHeaders + 4 + 16, 240);                            // SizeOfOptionalHeader
    put16(image, kOptional, 0x20B);                                  // PE32+
    put32(image, kOptional + 56, static_cast<std::uint32_t>(size));  // SizeOfImage
    put32(image, kOptional + 108, 16);                               // NumberOfRvaAndSizes
    if (noExports_) return image;

    const std::size_t count = exports_.size();
    const std::size_t functions = kExports + 40;
    const std::size_t names = functions + 4 * count;
    const std::size_t ordinals = names + 4 * count;
    std::size_t text = ordinals + 2 * count;
    put32(image, kExports + 20, static_cast<std::uint32_t>(count));  // NumberOfFunctions
    put32(image, kExports + 24, static_cast<std::uint32_t>(count));  // NumberOfNames
    put32(image, kExports + 28, static_cast<std::uint32_t>(functions));
    put32(image, kExports + 32, static_cast<std::uint32_t>(names));
    put32(image, kExports + 36, static_cast<std::uint32_t>(ordinals));
    for (std::size_t i = 0; i < count; ++i) {
      put32(image, functions + 4 * i, exports_[i].rva);
      put32(image, names + 4 * i, static_cast<std::uint32_t>(text));
      put16(image, ordinals + 2 * i, exports_[i].ordinal);
      std::memcpy(&image[text], exports_[i].name.c_str(), exports_[i].name.size() + 1);
      text += exports_[i].name.size() + 1;
    }
    put32(image, kOptional + 112, kExports);                                     // export RVA
    put32(image, kOptional + 116, static_cast<std::uint32_t>(text - kExports));  // and size
    return image;
  }

  static void put16(std::vector<unsigned char>& image, std::size_t at, std::uint32_t value) {
    image.at(at) = value & 0xFF;
    image.at(at + 1) = (value >> 8) & 0xFF;
  }
  static void put32(std::vector<unsigned char>& image, std::size_t at, std::uint32_t value) {
    put16(image, at, value & 0xFFFF);
    put16(image, at + 2, value >> 16);
  }

 private:
  std::vector<Export> exports_{};
  bool noExports_ = false;
};

// Places an image so that it ends right at an inaccessible page: a read past its end
// crashes the test instead of passing unnoticed.
class GuardedImage {
 public:
  explicit GuardedImage(const std::vector<unsigned char>& image) : size_(image.size()) {
    const std::size_t page = pageSize();
    dataPages_ = (size_ + page - 1) / page * page;
#ifdef _WIN32
    mapping_ = VirtualAlloc(nullptr, dataPages_ + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    DWORD old = 0;
    VirtualProtect(static_cast<char*>(mapping_) + dataPages_, page, PAGE_NOACCESS, &old);
#else
    mapping_ = mmap(nullptr, dataPages_ + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                    -1, 0);
    mprotect(static_cast<char*>(mapping_) + dataPages_, page, PROT_NONE);
#endif
    std::memcpy(data(), image.data(), size_);
  }
  ~GuardedImage() {
#ifdef _WIN32
    VirtualFree(mapping_, 0, MEM_RELEASE);
#else
    munmap(mapping_, dataPages_ + pageSize());
#endif
  }
  GuardedImage(const GuardedImage&) = delete;
  GuardedImage& operator=(const GuardedImage&) = delete;

  unsigned char* data() const { return static_cast<unsigned char*>(mapping_) + dataPages_ - size_; }
  std::size_t size() const { return size_; }
  void* at(std::size_t offset) const { return data() + offset; }
  void* find(const char* name) const { return findExportInImage(data(), size_, name); }

 private:
  static std::size_t pageSize() {
#ifdef _WIN32
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
#else
    return static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
#endif
  }
  std::size_t size_;
  std::size_t dataPages_ = 0;
  void* mapping_ = nullptr;
};

constexpr std::uint32_t kTable = 0x1000;
constexpr std::uint32_t kDecoy = 0x1400;

TEST(FindExportInImage, MatchesOnlyTheExactName) {
  GuardedImage image(ImageBuilder()
                         .add("MYENTRYPOINT", kDecoy)
                         .add("myEntry", kDecoy + 8)
                         .add("myEntryPoint", kTable)
                         .add("myEntryPointX", kDecoy + 16)
                         .add("myentrypoint", kDecoy + 24)
                         .build());
  EXPECT_EQ(image.find("myEntryPoint"), image.at(kTable));
  EXPECT_EQ(image.find("myEntry"), image.at(kDecoy + 8));
  EXPECT_EQ(image.find("myEntryPointX"), image.at(kDecoy + 16));
  EXPECT_EQ(image.find("myEntryPoin"), nullptr);
  EXPECT_EQ(image.find("myEntryPointXY"), nullptr);
  EXPECT_EQ(image.find("MyEntryPoint"), nullptr);
}

TEST(FindExportInImage, FindsNothingAmongLookAlikes) {
  for (const char* decoy : {"myEntryPointX", "myEntryPoint_", "MYENTRYPOINT", "myentrypoint",
                            "myEntry", "myEntryPoin", "", "xmyEntryPoint"}) {
    GuardedImage image(ImageBuilder().add(decoy, kDecoy).add("other", kDecoy + 8).build());
    EXPECT_EQ(image.find("myEntryPoint"), nullptr) << decoy;
  }
}

TEST(FindExportInImage, TakesTheOrdinalThroughTheNameOrdinalTable) {
  // Names sorted differently from the address table, as linkers do.
  auto bytes = ImageBuilder().add("a", kDecoy).add("myEntryPoint", kTable).build();
  const std::size_t ordinals = ImageBuilder::kExports + 40 + 8 + 8;
  ImageBuilder::put16(bytes, ordinals, 1);
  ImageBuilder::put16(bytes, ordinals + 2, 0);
  GuardedImage image(bytes);
  EXPECT_EQ(image.find("myEntryPoint"), image.at(kDecoy));
  EXPECT_EQ(image.find("a"), image.at(kTable));
}

TEST(FindExportInImage, LastOfSeveralMatchesWins) {
  GuardedImage image(ImageBuilder()
                         .add("myEntryPoint", kDecoy)
                         .add("other", kDecoy + 8)
                         .add("myEntryPoint", kTable)
                         .add("zzz", kDecoy + 16)
                         .build());
  EXPECT_EQ(image.find("myEntryPoint"), image.at(kTable));
}

TEST(FindExportInImage, SkipsForwardedExports) {
  // A forwarder's address is a "Library.Symbol" text inside the export directory.
  GuardedImage forwardedOnly(
      ImageBuilder().add("myEntryPoint", ImageBuilder::kExports + 40).build());
  EXPECT_EQ(forwardedOnly.find("myEntryPoint"), nullptr);
  GuardedImage realThenForwarded(ImageBuilder()
                                     .add("myEntryPoint", kTable)
                                     .add("myEntryPoint", ImageBuilder::kExports + 44)
                                     .build());
  EXPECT_EQ(realThenForwarded.find("myEntryPoint"), realThenForwarded.at(kTable));
}

TEST(FindExportInImage, FindsNothingInAnImageWithoutExports) {
  GuardedImage none(ImageBuilder().withoutExports().build());
  EXPECT_EQ(none.find("myEntryPoint"), nullptr);
  GuardedImage empty(ImageBuilder().build());
  EXPECT_EQ(empty.find("myEntryPoint"), nullptr);
  auto noDirectories = ImageBuilder().add("myEntryPoint", kTable).build();
  ImageBuilder::put32(noDirectories, ImageBuilder::kOptional + 108, 0);
  EXPECT_EQ(GuardedImage(noDirectories).find("myEntryPoint"), nullptr);
}

TEST(FindExportInImage, RefusesImagesThatAreNotPe32Plus) {
  const auto good = ImageBuilder().add("myEntryPoint", kTable).build();
  const auto refused = [&](std::size_t at, std::uint32_t value, bool wide) {
    auto bytes = good;
    wide ? ImageBuilder::put32(bytes, at, value) : ImageBuilder::put16(bytes, at, value);
    return GuardedImage(bytes).find("myEntryPoint") == nullptr;
  };
  ASSERT_FALSE(refused(0, 'M' | 'Z' << 8, false));
  EXPECT_TRUE(refused(0, 0, false));                              // no MZ
  EXPECT_TRUE(refused(ImageBuilder::kHeaders, 0, false));         // no PE signature
  EXPECT_TRUE(refused(ImageBuilder::kOptional, 0x10B, false));    // 32-bit PE
  EXPECT_TRUE(refused(ImageBuilder::kHeaders + 20, 100, false));  // optional header too short
  EXPECT_TRUE(refused(0x3C, 0x1FF0, true));                       // headers past the end
  EXPECT_TRUE(refused(0x3C, 0xFFFFFFF0, true));                   // offset wraps around
  EXPECT_EQ(findExportInImage(nullptr, 0x2000, "myEntryPoint"), nullptr);
  EXPECT_EQ(GuardedImage(good).find(nullptr), nullptr);
}

TEST(FindExportInImage, RefusesTablesAndAddressesOutsideTheImage) {
  const auto good = ImageBuilder().add("other", kDecoy).add("myEntryPoint", kTable).build();
  const std::size_t directory = ImageBuilder::kExports;
  const std::size_t names = directory + 40 + 8;
  const std::size_t ordinals = names + 8;
  const auto refused = [&](std::size_t at, std::uint32_t value) {
    auto bytes = good;
    at == ordinals || at == ordinals + 2 ? ImageBuilder::put16(bytes, at, value)
                                         : ImageBuilder::put32(bytes, at, value);
    return GuardedImage(bytes).find("myEntryPoint") == nullptr;
  };
  const std::size_t optional = ImageBuilder::kOptional;
  EXPECT_TRUE(refused(optional + 112, 0x2000));       // directory at the end
  EXPECT_TRUE(refused(optional + 112, 0x2000 - 39));  // directory straddles the end
  EXPECT_TRUE(refused(optional + 112, 0xFFFFFFFF));
  EXPECT_TRUE(refused(directory + 24, 0x40000000));  // name count beyond the image
  EXPECT_TRUE(refused(directory + 24, 0xFFFFFFFF));
  EXPECT_TRUE(refused(directory + 20, 0xFFFFFFFF));  // function count beyond the image
  EXPECT_TRUE(refused(directory + 28, 0x1FFC));      // address table past the end
  EXPECT_TRUE(refused(directory + 32, 0x1FFC));      // name table past the end
  EXPECT_TRUE(refused(directory + 36, 0x1FFE));      // ordinal table past the end
  EXPECT_TRUE(refused(names + 4, 0x2000));           // a name outside the image
  EXPECT_TRUE(refused(names, 0xFFFFFFFF));           // even one that is not the match
  EXPECT_TRUE(refused(ordinals + 2, 2));             // ordinal beyond the address table
  EXPECT_TRUE(refused(directory + 40 + 4, 0x2000));  // address outside the image
  EXPECT_TRUE(refused(directory + 40 + 4, 0));       // no address
}

TEST(FindExportInImage, NeverReadsPastTheImageForANameAtItsEnd) {
  auto bytes = ImageBuilder().add("other", kDecoy).build();
  // A name whose last bytes are the image's last bytes, with no terminator inside it.
  const std::size_t name = bytes.size() - 12;
  std::memcpy(&bytes[name], "myEntryPoint", 12);
  ImageBuilder::put32(bytes, ImageBuilder::kExports + 40 + 4, static_cast<std::uint32_t>(name));
  GuardedImage image(bytes);
  EXPECT_EQ(image.find("myEntryPoint"), nullptr);
  EXPECT_EQ(image.find("myEntryPointXYZ"), nullptr);
  EXPECT_EQ(image.find("m"), nullptr);
}

TEST(DeclaredImageSize, ReadsSizeOfImageWithinTheReadableBytes) {
  GuardedImage image(ImageBuilder().add("myEntryPoint", kTable).build(0x3000));
  EXPECT_EQ(declaredImageSize(image.data(), image.size()), 0x3000u);
  EXPECT_EQ(declaredImageSize(image.data(), 0x1000), 0x3000u);
  // Too few readable bytes to hold the headers and the first data directory.
  EXPECT_EQ(declaredImageSize(image.data(), ImageBuilder::kOptional + 119), 0u);
  EXPECT_EQ(declaredImageSize(image.data(), ImageBuilder::kOptional + 120), 0x3000u);
  EXPECT_EQ(declaredImageSize(nullptr, 0x1000), 0u);
}

}  // namespace
}  // namespace orvax
