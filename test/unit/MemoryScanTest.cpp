#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "HostSubstitutes.h"
#include "portable/Console.h"
#include "portable/MemoryScan.h"

namespace orvax {
namespace {

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
  memory.plant(readOnly, 0);
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

}  // namespace
}  // namespace orvax
