#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "HostSubstitutes.h"
#include "portable/Console.h"
#include "portable/MemoryScan.h"

namespace orvax {
namespace {

using platform::MemoryRegion;

// Regions laid end to end from address 0; each holds its own bytes.
class FakeMemory final : public platform::MemoryReader {
 public:
  std::size_t add(std::size_t size, bool committed, bool readWrite) {
    regions_.push_back({end_, size, committed, readWrite});
    bytes_[end_] = std::vector<unsigned char>(size, 0xAA);
    end_ += size;
    return regions_.size() - 1;
  }
  void plant(std::size_t region, std::size_t offset) {
    std::memcpy(bytes_[regions_[region].base].data() + offset, kScanPattern, kPatternSize);
  }
  const MemoryRegion& region(std::size_t i) const { return regions_[i]; }

  bool describe(std::uintptr_t address, MemoryRegion& out) override {
    for (const MemoryRegion& r : regions_) {
      if (address >= r.base && address < r.base + r.size) {
        out = r;
        return true;
      }
    }
    return false;
  }
  std::size_t read(std::uintptr_t address, void* out, std::size_t size) override {
    for (const MemoryRegion& r : regions_) {
      if (address < r.base || address >= r.base + r.size) continue;
      std::vector<unsigned char>& bytes = bytes_[r.base];
      std::size_t offset = address - r.base;
      // Reading stops where the region ends, or where it "vanished".
      const std::size_t limit =
          std::min(r.size, vanishAt.count(r.base) ? vanishAt[r.base] : r.size);
      std::size_t n = offset >= limit ? 0 : std::min(size, limit - offset);
      std::memcpy(out, bytes.data() + offset, n);
      readsOf[r.base] += n;
      return n;
    }
    return 0;
  }

  std::map<std::uintptr_t, std::size_t> vanishAt;
  std::map<std::uintptr_t, std::size_t> readsOf;

 private:
  std::vector<MemoryRegion> regions_;
  std::map<std::uintptr_t, std::vector<unsigned char>> bytes_;
  std::uintptr_t end_ = 0;
};

TEST(MemoryScan, SearchesStartOffsetsUpToSizeMinus65) {
  const struct {
    std::size_t size;
    std::size_t planted;
    std::optional<std::size_t> found;
  } cases[] = {
      {4096, 0, 0}, {4096, 4031, 4031},    {4096, 4032, std::nullopt}, {4096, 4064, std::nullopt},
      {65, 0, 0},   {64, 0, std::nullopt}, {200000, 131070, 131070},  // across a chunk boundary
  };
  for (const auto& c : cases) {
    FakeMemory memory;
    memory.add(c.size, true, true);
    memory.plant(0, c.planted);
    EXPECT_EQ(findPatternInRegion(memory, memory.region(0)), c.found) << c.size << " " << c.planted;
  }
}

TEST(MemoryScan, MaskAndPattern) {
  const unsigned char expected[kPatternSize] = {
      0,    0,    0, 0xFF, 0xFF, 0xFF, 0,    0,    0, 0xFF, 0xFF, 0xFF, 0,    0,    0, 0xFF,
      0xFF, 0xFF, 0, 0,    0,    0xFF, 0xFF, 0xFF, 0, 0,    0,    0xFF, 0xFF, 0xFF, 0, 0};
  EXPECT_EQ(std::memcmp(kScanPattern, expected, kPatternSize), 0);
  EXPECT_EQ(std::string(kScanMask), std::string(32, 'x'));
  unsigned char bytes[kPatternSize];
  std::memcpy(bytes, kScanPattern, kPatternSize);
  EXPECT_TRUE(matchesMasked(bytes, kScanPattern, kScanMask));
  bytes[31] = 1;
  EXPECT_FALSE(matchesMasked(bytes, kScanPattern, kScanMask));
  EXPECT_TRUE(matchesMasked(bytes, kScanPattern, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx?"));
  EXPECT_TRUE(matchesMasked(bytes, kScanPattern, "xxxx"));  // compared up to the mask's end
}

TEST(MemoryScan, FirstMatchEndsTheRegionAndAVanishedRegionEndsItsSearch) {
  FakeMemory memory;
  memory.add(300000, true, true);
  memory.plant(0, 1000);
  memory.plant(0, 200000);
  EXPECT_EQ(findPatternInRegion(memory, memory.region(0)), 1000u);
  EXPECT_LT(memory.readsOf[0], 100000u);  // nothing read past the chunk of the first match

  FakeMemory vanishing;
  vanishing.add(300000, true, true);
  vanishing.plant(0, 250000);
  vanishing.vanishAt[0] = 100000;
  EXPECT_EQ(findPatternInRegion(vanishing, vanishing.region(0)), std::nullopt);
}

TEST(MemoryScan, PrintsAndSearchesOnlyCommittedReadWriteRegions) {
  FakeMemory memory;
  memory.add(4096, false, false);  // free
  const std::size_t rw = memory.add(8192, true, true);
  const std::size_t readOnly = memory.add(4096, true, false);
  memory.add(4096, false, true);  // reserved
  const std::size_t second = memory.add(4096, true, true);
  memory.plant(readOnly, 0);
  test::RecordingConsole console;
  scanMemory(memory, console);
  EXPECT_EQ(console.lines, (std::vector<std::string>{
                               "------------------",
                               pointerText(memory.region(rw).base) + " 8192",
                               "------------------",
                               pointerText(memory.region(second).base) + " 4096",
                           }));
  EXPECT_EQ(memory.readsOf.count(memory.region(readOnly).base), 0u);
  EXPECT_GT(memory.readsOf[memory.region(second).base], 0u);
}

TEST(MemoryScan, NothingWhenTheFirstRegionCannotBeDescribed) {
  FakeMemory memory;
  test::RecordingConsole console;
  scanMemory(memory, console);
  EXPECT_TRUE(console.lines.empty());
}

}  // namespace
}  // namespace orvax
