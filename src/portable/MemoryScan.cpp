#include "portable/MemoryScan.h"

#include <algorithm>
#include <string>
#include <vector>

#include "portable/Console.h"

namespace orvax {

const unsigned char kScanPattern[kPatternSize] = {
    0,    0,    0, 0xFF, 0xFF, 0xFF, 0,    0,    0, 0xFF, 0xFF, 0xFF, 0,    0,    0, 0xFF,
    0xFF, 0xFF, 0, 0,    0,    0xFF, 0xFF, 0xFF, 0, 0,    0,    0xFF, 0xFF, 0xFF, 0, 0,
};
const char kScanMask[kPatternSize + 1] = "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx";

bool matchesMasked(const unsigned char* bytes, const unsigned char* pattern, const char* mask) {
  for (; *mask != '\0'; ++mask, ++bytes, ++pattern) {
    if (*mask == 'x' && *bytes != *pattern) return false;
  }
  return true;
}

std::optional<std::size_t> findPatternInRegion(platform::MemoryReader& memory,
                                               const platform::MemoryRegion& region) {
  // Start offsets run from 0 to size - 65: a region shorter than 65 bytes is not searched.
  if (region.size < 2 * kPatternSize + 1) return std::nullopt;
  const std::size_t lastStart = region.size - (2 * kPatternSize + 1);
  // Read in chunks that overlap by a pattern's length, through the reader: memory that is
  // unmapped meanwhile ends the search instead of faulting.
  constexpr std::size_t kChunk = 1 << 16;
  std::vector<unsigned char> chunk(kChunk + kPatternSize);
  for (std::size_t start = 0; start <= lastStart; start += kChunk) {
    const std::size_t starts = std::min(kChunk, lastStart - start + 1);
    const std::size_t wanted = starts + kPatternSize - 1;
    if (memory.read(region.base + start, chunk.data(), wanted) != wanted) return std::nullopt;
    for (std::size_t i = 0; i < starts; ++i) {
      if (matchesMasked(chunk.data() + i, kScanPattern, kScanMask)) return start + i;
    }
  }
  return std::nullopt;
}

void scanMemory(platform::MemoryReader& memory, platform::ConsoleSink& console) {
  platform::MemoryRegion region;
  std::uintptr_t address = 0;
  if (!memory.describe(address, region)) return;
  do {
    if (region.committed && region.readWrite) {
      console.line("------------------");
      console.line(pointerText(address) + " " + std::to_string(region.size));
      findPatternInRegion(memory, region);
    }
    // A region that does not move the address on (or wraps it) would loop for ever.
    const std::uintptr_t next = address + region.size;
    if (region.size == 0 || next <= address) break;
    address = next;
  } while (memory.describe(address, region));
}

}  // namespace orvax
