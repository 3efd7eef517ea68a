#pragma once
// Writers of the formats the engine reads, for the sample scene and for the tests, which
// build well-formed files and then damage them.
#include <cstdint>
#include <string>
#include <vector>

namespace reference {

struct SamplePoint {
  double x, y, z;
  std::uint8_t r, g, b;
  std::uint8_t classification;
};

enum class PlyEncoding { kAscii, kLittle, kBig };

struct PlyOptions {
  PlyEncoding encoding = PlyEncoding::kLittle;
  bool doubles = false;  // x, y, z as double instead of float
  bool colour = true;
  bool extraProperty = false;  // an "intensity" float after the colour, and a face element
};

struct LasOptions {
  int minor = 2;   // LAS 1.minor
  int format = 2;  // point data format
  double scale = 0.001;
  int extraBytes = 0;  // appended to each record
};

std::string plyBytes(const std::vector<SamplePoint>& points, const PlyOptions& options);
std::string lasBytes(const std::vector<SamplePoint>& points, const LasOptions& options);

// Writes bytes to a file; false when it cannot.
bool writeFile(const std::string& path, const std::string& bytes);

}  // namespace reference
