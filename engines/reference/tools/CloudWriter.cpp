#include "CloudWriter.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "ByteReader.h"

namespace reference {
namespace {

template <class T>
void put(std::string& out, T value, bool big = false) {
  unsigned char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  if (big)
    for (std::size_t i = 0; i < sizeof(T) / 2; ++i) std::swap(bytes[i], bytes[sizeof(T) - 1 - i]);
  out.append(reinterpret_cast<const char*>(bytes), sizeof(T));
}

// Point format sizes and colour positions, as the reader expects them.
constexpr std::uint16_t kSize[] = {20, 28, 26, 34, 57, 63, 30, 36, 38, 59, 67};
constexpr std::uint16_t kColourAt[] = {0, 0, 20, 28, 0, 28, 0, 30, 30, 0, 30};
constexpr std::uint16_t kHeaderSize[] = {227, 235, 375};

}  // namespace

std::string plyBytes(const std::vector<SamplePoint>& points, const PlyOptions& o) {
  const char* encoding = o.encoding == PlyEncoding::kAscii    ? "ascii"
                         : o.encoding == PlyEncoding::kLittle ? "binary_little_endian"
                                                              : "binary_big_endian";
  const char* coordinate = o.doubles ? "double" : "float";
  std::string out = "ply\nformat " + std::string(encoding) + " 1.0\ncomment sample scene\n";
  out += "element vertex " + std::to_string(points.size()) + "\n";
  for (const char* axis : {"x", "y", "z"})
    out += "property " + std::string(coordinate) + " " + axis + "\n";
  if (o.colour) out += "property uchar red\nproperty uchar green\nproperty uchar blue\n";
  if (o.extraProperty)
    out += "property float intensity\nelement face 1\nproperty list uchar int vertex_indices\n";
  out += "end_header\n";
  bool big = o.encoding == PlyEncoding::kBig;
  char line[160];
  for (const SamplePoint& p : points) {
    if (o.encoding == PlyEncoding::kAscii) {
      int n = std::snprintf(line, sizeof line, o.doubles ? "%.17g %.17g %.17g" : "%.9g %.9g %.9g",
                            o.doubles ? p.x : static_cast<float>(p.x),
                            o.doubles ? p.y : static_cast<float>(p.y),
                            o.doubles ? p.z : static_cast<float>(p.z));
      out.append(line, n);
      if (o.colour)
        out += " " + std::to_string(p.r) + " " + std::to_string(p.g) + " " + std::to_string(p.b);
      if (o.extraProperty) out += " 0.5";
      out += "\n";
      continue;
    }
    for (double v : {p.x, p.y, p.z}) {
      if (o.doubles) {
        put(out, v, big);
      } else {
        put(out, static_cast<float>(v), big);
      }
    }
    if (o.colour) out += {static_cast<char>(p.r), static_cast<char>(p.g), static_cast<char>(p.b)};
    if (o.extraProperty) put(out, 0.5f, big);
  }
  if (o.extraProperty) {
    if (o.encoding == PlyEncoding::kAscii) {
      out += "3 0 1 2\n";
    } else {
      out += '\3';
      for (std::int32_t i : {0, 1, 2}) put(out, i, big);
    }
  }
  return out;
}

std::string lasBytes(const std::vector<SamplePoint>& points, const LasOptions& o) {
  double inf = std::numeric_limits<double>::infinity();
  double min[3] = {inf, inf, inf}, max[3] = {-inf, -inf, -inf};
  for (const SamplePoint& p : points) {
    const double v[3] = {p.x, p.y, p.z};
    for (int i = 0; i < 3; ++i) min[i] = std::min(min[i], v[i]), max[i] = std::max(max[i], v[i]);
  }
  double offset[3];
  for (int i = 0; i < 3; ++i) offset[i] = points.empty() ? 0 : std::floor(min[i]);

  std::uint16_t headerSize = kHeaderSize[o.minor - 2];
  std::uint16_t recordLength = static_cast<std::uint16_t>(kSize[o.format] + o.extraBytes);
  std::string out;
  out += "LASF";
  put<std::uint16_t>(out, 0);                                       // file source
  put<std::uint16_t>(out, o.minor == 4 && o.format >= 6 ? 16 : 0);  // WKT bit for 6 to 10
  out.append(16, '\0');                                             // project GUID
  out += {'\1', static_cast<char>(o.minor)};
  std::string system = "ORVAX sample scene";
  system.resize(32, '\0');
  out += system;
  std::string software = "reference_samples";
  software.resize(32, '\0');
  out += software;
  put<std::uint16_t>(out, 1);     // day of year
  put<std::uint16_t>(out, 2026);  // year
  put(out, headerSize);
  put<std::uint32_t>(out, headerSize);  // points follow the header: no records between
  put<std::uint32_t>(out, 0);           // variable-length records
  put(out, static_cast<std::uint8_t>(o.format));
  put(out, recordLength);
  bool legacy = o.format < 6 && points.size() <= 0xFFFFFFFFu;
  put<std::uint32_t>(out, legacy ? static_cast<std::uint32_t>(points.size()) : 0);
  for (int i = 0; i < 5; ++i)
    put<std::uint32_t>(out, i == 0 && legacy ? static_cast<std::uint32_t>(points.size()) : 0);
  for (int i = 0; i < 3; ++i) put(out, o.scale);
  for (double v : offset) put(out, v);
  for (int i = 0; i < 3; ++i) {
    // The bounds of the stored values, so that the header agrees with what a reader sees.
    put(out, std::round((max[i] - offset[i]) / o.scale) * o.scale + offset[i]);
    put(out, std::round((min[i] - offset[i]) / o.scale) * o.scale + offset[i]);
  }
  if (o.minor >= 3) put<std::uint64_t>(out, 0);  // waveform data
  if (o.minor == 4) {
    put<std::uint64_t>(out, 0);  // extended records
    put<std::uint32_t>(out, 0);
    put<std::uint64_t>(out, points.size());
    put<std::uint64_t>(out, points.size());  // all first returns
    for (int i = 1; i < 15; ++i) put<std::uint64_t>(out, 0);
  }
  out.reserve(out.size() + points.size() * recordLength);
  for (const SamplePoint& p : points) {
    std::size_t start = out.size();
    out.resize(start + recordLength, '\0');
    char* r = out.data() + start;
    const double v[3] = {p.x, p.y, p.z};
    for (int i = 0; i < 3; ++i) {
      auto stored = static_cast<std::int32_t>(std::lround((v[i] - offset[i]) / o.scale));
      std::memcpy(r + 4 * i, &stored, 4);
    }
    if (o.format >= 6) {
      r[14] = 0x11;  // return 1 of 1
      r[16] = static_cast<char>(p.classification);
    } else {
      r[14] = 0x09;  // return 1 of 1
      r[15] = static_cast<char>(p.classification & 0x1F);
    }
    if (kColourAt[o.format]) {
      std::uint16_t rgb[3] = {static_cast<std::uint16_t>(p.r * 257),
                              static_cast<std::uint16_t>(p.g * 257),
                              static_cast<std::uint16_t>(p.b * 257)};
      std::memcpy(r + kColourAt[o.format], rgb, 6);
    }
  }
  return out;
}

bool writeFile(const std::string& path, const std::string& bytes) {
  std::FILE* file = openFile(path, "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

}  // namespace reference
