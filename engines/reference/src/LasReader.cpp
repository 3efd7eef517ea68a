// LAS 1.2 to 1.4, uncompressed point formats 0 to 10. Coordinates are the records' integers
// times the header's scale plus its offset; the header's bounds must hold every point.
#include <cmath>
#include <cstdio>

#include "CloudReaders.h"
#include "ReadError.h"

namespace reference {
namespace {

// Bytes of each point format's fixed part, and where its colour sits (0: none).
struct PointFormat {
  std::uint16_t size;
  std::uint16_t colourAt;
  std::uint8_t minMinor;  // the first LAS 1.x that defines it
};
constexpr PointFormat kFormats[] = {
    {20, 0, 2}, {28, 0, 2},  {26, 20, 2}, {34, 28, 2}, {57, 0, 3},  {63, 28, 3},
    {30, 0, 4}, {36, 30, 4}, {38, 30, 4}, {59, 0, 4},  {67, 30, 4},
};

// Header sizes of LAS 1.2, 1.3 and 1.4.
constexpr std::uint16_t kHeaderSize[] = {227, 235, 375};

std::string number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", v);
  return text;
}

struct LasHeader {
  int minor;
  std::uint16_t headerSize;
  std::uint32_t pointOffset;
  int format;
  std::uint16_t recordLength;
  std::uint64_t count;
  Vec3 scale, offset;
  Bounds bounds;
};

LasHeader readHeader(ByteReader& in) {
  if (in.size() < kHeaderSize[0]) throw ReadError("the file ends inside its LAS header");
  const std::uint8_t* h = in.take(kHeaderSize[0]);
  LasHeader header{};
  int major = h[24];
  header.minor = h[25];
  if (major != 1 || header.minor < 2 || header.minor > 4)
    throw ReadError("LAS version " + std::to_string(major) + "." + std::to_string(header.minor) +
                    " is not read (1.2 to 1.4 are)");
  header.headerSize = readLittle<std::uint16_t>(h + 94);
  header.pointOffset = readLittle<std::uint32_t>(h + 96);
  int formatByte = h[104];
  header.recordLength = readLittle<std::uint16_t>(h + 105);
  std::uint32_t legacyCount = readLittle<std::uint32_t>(h + 107);
  for (int i = 0; i < 3; ++i) {
    header.scale[i] = readLittle<double>(h + 131 + 8 * i);
    header.offset[i] = readLittle<double>(h + 155 + 8 * i);
    header.bounds.max[i] = readLittle<double>(h + 179 + 16 * i);
    header.bounds.min[i] = readLittle<double>(h + 187 + 16 * i);
  }
  if (formatByte & 0xC0)
    throw ReadError("the point data is compressed (LAZ), which this engine does not read");
  header.format = formatByte;
  if (header.format > 10)
    throw ReadError("LAS point format " + std::to_string(header.format) + " is not known");
  const PointFormat& format = kFormats[header.format];
  if (header.minor < format.minMinor)
    throw ReadError("LAS point format " + std::to_string(header.format) +
                    " does not exist in LAS 1." + std::to_string(header.minor));
  std::uint16_t needed = kHeaderSize[header.minor - 2];
  if (header.headerSize < needed)
    throw ReadError("the LAS header declares " + std::to_string(header.headerSize) +
                    " bytes, less than the " + std::to_string(needed) + " of LAS 1." +
                    std::to_string(header.minor));
  if (in.size() < needed) throw ReadError("the file ends inside its LAS header");
  header.count = legacyCount;
  if (header.minor == 4) {
    const std::uint8_t* extended = in.take(needed - kHeaderSize[0]);
    std::uint64_t count = readLittle<std::uint64_t>(extended + 247 - kHeaderSize[0]);
    if (legacyCount != 0 && legacyCount != count)
      throw ReadError("the LAS header's two point counts disagree (" + std::to_string(legacyCount) +
                      " and " + std::to_string(count) + ")");
    header.count = count;
  }
  if (header.recordLength < format.size)
    throw ReadError("the LAS point records are " + std::to_string(header.recordLength) +
                    " bytes, shorter than point format " + std::to_string(header.format) +
                    " needs (" + std::to_string(format.size) + ")");
  for (int i = 0; i < 3; ++i) {
    if (!std::isfinite(header.scale[i]) || header.scale[i] == 0 || !std::isfinite(header.offset[i]))
      throw ReadError("the LAS header has an unusable scale or offset");
  }
  if (header.pointOffset < header.headerSize || header.pointOffset > in.size())
    throw ReadError("the LAS header puts the point data at byte " +
                    std::to_string(header.pointOffset) + ", outside the file");
  if (header.count == 0) throw ReadError("the file holds no points");
  std::uint64_t room = (in.size() - header.pointOffset) / header.recordLength;
  if (header.count > room)
    throw ReadError("the LAS header declares " + std::to_string(header.count) +
                    " points, but the file holds only " + std::to_string(room));
  if (header.count > kMaxPoints)
    throw ReadError("the LAS header declares " + std::to_string(header.count) +
                    " points, more than the " + std::to_string(kMaxPoints) + " this engine loads");
  return header;
}

void checkBounds(const LasHeader& header, const Bounds& points) {
  static const char* const kAxis[] = {"x", "y", "z"};
  for (int i = 0; i < 3; ++i) {
    // Writers round the bounds; half a scale step either way is the file's own precision.
    double slack = std::fabs(header.scale[i]) * 0.5 +
                   1e-9 * std::max(std::fabs(points.min[i]), std::fabs(points.max[i]));
    if (points.min[i] < header.bounds.min[i] - slack ||
        points.max[i] > header.bounds.max[i] + slack)
      throw ReadError("the points' " + std::string(kAxis[i]) + " range " + number(points.min[i]) +
                      " to " + number(points.max[i]) + " lies outside the header's bounds " +
                      number(header.bounds.min[i]) + " to " + number(header.bounds.max[i]));
  }
}

}  // namespace

Cloud readLas(ByteSource& source) {
  ByteReader in(source);
  LasHeader header = readHeader(in);
  in.skip(header.pointOffset - in.position());

  Cloud cloud;
  cloud.format =
      "LAS 1." + std::to_string(header.minor) + " point format " + std::to_string(header.format);
  cloud.origin = header.offset;
  const PointFormat& format = kFormats[header.format];
  std::size_t classAt = header.format >= 6 ? 16 : 15;
  std::uint8_t classMask = header.format >= 6 ? 0xFF : 0x1F;
  cloud.points.reserve(header.count);
  if (format.colourAt) cloud.colours.reserve(header.count);
  const Vec3& s = header.scale;
  for (std::uint64_t i = 0; i < header.count; ++i) {
    const std::uint8_t* p = in.take(header.recordLength);
    double x = readLittle<std::int32_t>(p) * s[0];
    double y = readLittle<std::int32_t>(p + 4) * s[1];
    double z = readLittle<std::int32_t>(p + 8) * s[2];
    cloud.bounds.add(Vec3{x + header.offset[0], y + header.offset[1], z + header.offset[2]});
    cloud.points.push_back(
        Point{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)});
    cloud.classes.set(p[classAt] & classMask);
    if (format.colourAt) {
      const std::uint8_t* c = p + format.colourAt;
      // 16-bit channels; the high byte is the 8-bit colour.
      cloud.colours.push_back(Colour{c[1], c[3], c[5]});
    }
  }
  checkBounds(header, cloud.bounds);
  return cloud;
}

}  // namespace reference
