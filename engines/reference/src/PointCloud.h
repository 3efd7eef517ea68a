#pragma once
// One loaded cloud as the engine keeps it: a single copy of its points, in single
// precision relative to an origin held in double precision, so large survey coordinates
// keep their precision at 12 bytes a point.
#include <array>
#include <bitset>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace reference {

using Vec3 = std::array<double, 3>;

struct Bounds {
  Vec3 min{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
           std::numeric_limits<double>::infinity()};
  Vec3 max{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
           -std::numeric_limits<double>::infinity()};

  void add(const Vec3& p) {
    for (int i = 0; i < 3; ++i) {
      if (p[i] < min[i]) min[i] = p[i];
      if (p[i] > max[i]) max[i] = p[i];
    }
  }
  bool empty() const { return min[0] > max[0]; }
};

struct Point {
  float x, y, z;
};

struct Colour {
  std::uint8_t r, g, b;
};

struct Cloud {
  std::string format;  // e.g. "PLY binary_little_endian", "LAS 1.4 point format 7"
  Vec3 origin{0, 0, 0};
  std::vector<Point> points;    // relative to origin
  std::vector<Colour> colours;  // one per point, or none
  Bounds bounds;                // of origin + points, computed exactly while reading
  std::bitset<256> classes;     // classification codes present (LAS)
  std::optional<Vec3> station;  // the scanner's position, where the file records one
};

// The most points one file may declare: beyond it a header is refused before anything is
// allocated (a file of that size holds no plausible scan for this engine).
inline constexpr std::uint64_t kMaxPoints = 500'000'000;

}  // namespace reference
