#include "portable/ExportScan.h"

#include <cstdint>
#include <cstring>

namespace orvax {
namespace {

constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::size_t kLfanewOffset = 0x3C;
constexpr std::size_t kFileHeaderSize = 20;
constexpr std::size_t kOptionalHeaderOffset = 4 + kFileHeaderSize;  // after "PE\0\0"
constexpr std::size_t kSizeOfImageOffset = 56;                      // within the optional header
constexpr std::size_t kRvaCountOffset = 108;
constexpr std::size_t kDataDirectoryOffset = 112;
constexpr std::size_t kExportDirectorySize = 40;

// Little-endian reads of a region known to lie inside the image.
std::uint16_t read16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t read32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Written so that no sum can overflow, whatever the image claims.
bool fits(std::size_t size, std::size_t offset, std::size_t length) {
  return offset <= size && length <= size - offset;
}

// Offset of the PE32+ optional header, or 0 when the first `size` bytes do not hold it
// together with its first data directory entry.
std::size_t optionalHeaderAt(const unsigned char* base, std::size_t size) {
  if (base == nullptr || !fits(size, kLfanewOffset, 4)) return 0;
  if (base[0] != 'M' || base[1] != 'Z') return 0;
  const std::size_t pe = read32(base + kLfanewOffset);
  if (!fits(size, pe, kOptionalHeaderOffset + kDataDirectoryOffset + 8)) return 0;
  if (std::memcmp(base + pe, "PE\0\0", 4) != 0) return 0;
  const std::size_t optional = pe + kOptionalHeaderOffset;
  if (read16(base + optional) != kPe32PlusMagic) return 0;
  const std::size_t declaredLength = read16(base + pe + 4 + 16);  // SizeOfOptionalHeader
  if (declaredLength < kDataDirectoryOffset + 8) return 0;
  return optional;
}

}  // namespace

std::size_t declaredImageSize(const unsigned char* base, std::size_t readableBytes) {
  const std::size_t optional = optionalHeaderAt(base, readableBytes);
  return optional == 0 ? 0 : read32(base + optional + kSizeOfImageOffset);
}

void* findExportInImage(const unsigned char* base, std::size_t imageSize, const char* name) {
  const std::size_t optional = optionalHeaderAt(base, imageSize);
  if (optional == 0 || name == nullptr) return nullptr;
  if (read32(base + optional + kRvaCountOffset) < 1) return nullptr;
  const std::size_t directory = read32(base + optional + kDataDirectoryOffset);
  const std::size_t directorySize = read32(base + optional + kDataDirectoryOffset + 4);
  if (directory == 0) return nullptr;  // the image exports nothing
  if (!fits(imageSize, directory, kExportDirectorySize)) return nullptr;

  const unsigned char* exports = base + directory;
  const std::size_t functionCount = read32(exports + 20);
  const std::size_t nameCount = read32(exports + 24);
  const std::size_t functions = read32(exports + 28);
  const std::size_t names = read32(exports + 32);
  const std::size_t ordinals = read32(exports + 36);
  // Counts are bounded by the image first, so the table sizes below cannot overflow.
  if (functionCount > imageSize / 4 || nameCount > imageSize / 4) return nullptr;
  if (!fits(imageSize, functions, functionCount * 4) || !fits(imageSize, names, nameCount * 4) ||
      !fits(imageSize, ordinals, nameCount * 2)) {
    return nullptr;
  }

  const std::size_t wantedLength = std::strlen(name);
  void* found = nullptr;
  for (std::size_t i = 0; i < nameCount; ++i) {
    const std::size_t nameAt = read32(base + names + i * 4);
    if (nameAt >= imageSize) return nullptr;
    // Compare the wanted bytes and then its terminating zero, never reading past the image:
    // a longer name differs at the zero, a shorter one at its own terminator.
    const std::size_t available = imageSize - nameAt;
    const std::size_t compared = wantedLength + 1;
    if (compared > available || std::memcmp(base + nameAt, name, compared) != 0) {
      continue;
    }
    const std::size_t ordinal = read16(base + ordinals + i * 2);
    if (ordinal >= functionCount) return nullptr;
    const std::size_t address = read32(base + functions + ordinal * 4);
    if (address == 0 || address >= imageSize) return nullptr;
    const bool forwarded = address >= directory && address - directory < directorySize;
    if (forwarded) continue;
    found = const_cast<unsigned char*>(base + address);
  }
  return found;
}

}  // namespace orvax
