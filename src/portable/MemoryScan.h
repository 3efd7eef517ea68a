#pragma once
// A diagnostic walk over the process's committed read-write memory, looking for a fixed
// byte pattern in each region.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/ConsoleSink.h"
#include "platform/MemoryReader.h"

namespace orvax {

inline constexpr std::size_t kPatternSize = 32;
// Six bytes 00 00 00 FF FF FF five times, then 00 00.
extern const unsigned char kScanPattern[kPatternSize];
// One character per pattern byte: 'x' requires the byte, anything else lets any byte pass.
extern const char kScanMask[kPatternSize + 1];

// Whether the bytes at `bytes` match `pattern` under `mask` (compared up to the mask's end).
bool matchesMasked(const unsigned char* bytes, const unsigned char* pattern, const char* mask);

// The first start offset, from 0 to size - 65, at which the region's bytes match the
// pattern; none when there is none or when the region could no longer be read.
std::optional<std::size_t> findPatternInRegion(platform::MemoryReader& memory,
                                               const platform::MemoryRegion& region);

// Walks every region from address 0; each committed read-write one is announced with a
// separator line and a line with its address and size, then searched.
void scanMemory(platform::MemoryReader& memory, platform::ConsoleSink& console);

}  // namespace orvax
