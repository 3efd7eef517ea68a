// Writes the sample data set: a small scanned courtyard (ground, a building, trees, a bench,
// a lamp post) as PLY and LAS files in every encoding the engine reads.
//
//   reference_samples DIR              the scene, into DIR
//   reference_samples --las N FILE     one LAS 1.2 file of N points (for benchmarks)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ByteReader.h"
#include "CloudWriter.h"

using namespace reference;

namespace {

// A fixed generator, so every build writes the same bytes on every platform.
class Random {
 public:
  double uniform() {  // [0, 1)
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state_ >> 11) * 0x1.0p-53;
  }
  double between(double a, double b) { return a + (b - a) * uniform(); }

 private:
  unsigned long long state_ = 0x2545F4914F6CDD1DULL;
};

// The survey's local origin: large coordinates, as real scans have.
constexpr double kTwoPi = 6.283185307179586;
constexpr double kEast = 512340.0, kNorth = 5403210.0, kHeight = 212.0;

std::uint8_t shade(double base, double spread, Random& rnd) {
  double v = base + rnd.between(-spread, spread);
  return static_cast<std::uint8_t>(std::fmin(255, std::fmax(0, v)));
}

SamplePoint at(double x, double y, double z, std::uint8_t r, std::uint8_t g, std::uint8_t b,
               std::uint8_t cls) {
  return SamplePoint{kEast + x, kNorth + y, kHeight + z, r, g, b, cls};
}

std::vector<SamplePoint> ground(Random& rnd, int n) {
  std::vector<SamplePoint> out;
  for (int i = 0; i < n; ++i) {
    double x = rnd.between(0, 40), y = rnd.between(0, 30);
    double z = 0.02 * std::sin(x * 0.7) + 0.03 * std::cos(y * 0.5) + rnd.between(-0.01, 0.01);
    bool path = std::fabs(y - 12) < 1.5;
    out.push_back(
        path ? at(x, y, z, shade(170, 10, rnd), shade(160, 10, rnd), shade(150, 10, rnd), 2)
             : at(x, y, z, shade(70, 15, rnd), shade(120, 20, rnd), shade(50, 10, rnd), 2));
  }
  return out;
}

std::vector<SamplePoint> building(Random& rnd, int n) {
  // A 12 m by 8 m block, 7 m high, seen from all sides, with a flat roof.
  std::vector<SamplePoint> out;
  const double x0 = 24, y0 = 18, w = 12, d = 8, h = 7;
  for (int i = 0; i < n; ++i) {
    double u = rnd.uniform(), t = rnd.uniform();
    double x, y, z;
    int face = i % 5;
    if (face == 4) {
      x = x0 + u * w, y = y0 + t * d, z = h;
    } else {
      z = t * h;
      double along = (face % 2 == 0 ? w : d) * u;
      x = face == 0 ? x0 + along : face == 2 ? x0 + w - along : face == 1 ? x0 + w : x0;
      y = face == 1 ? y0 + along : face == 3 ? y0 + d - along : face == 0 ? y0 : y0 + d;
    }
    out.push_back(at(x, y, z + rnd.between(-0.005, 0.005), shade(180, 20, rnd), shade(90, 15, rnd),
                     shade(70, 15, rnd), 6));
  }
  return out;
}

std::vector<SamplePoint> trees(Random& rnd, int n) {
  const double spots[][2] = {{6, 6}, {10, 22}, {18, 4}, {4, 26}};
  std::vector<SamplePoint> out;
  for (int i = 0; i < n; ++i) {
    const double* c = spots[i % 4];
    double a = rnd.between(0, kTwoPi);
    if (rnd.uniform() < 0.2) {  // trunk
      double z = rnd.between(0, 2.5);
      out.push_back(at(c[0] + 0.15 * std::cos(a), c[1] + 0.15 * std::sin(a), z, shade(90, 10, rnd),
                       shade(60, 10, rnd), shade(30, 10, rnd), 5));
    } else {  // crown
      double e = std::acos(rnd.between(-1, 1)), r = 1.8 + rnd.between(-0.3, 0.1);
      out.push_back(at(c[0] + r * std::sin(e) * std::cos(a), c[1] + r * std::sin(e) * std::sin(a),
                       4 + r * std::cos(e), shade(40, 15, rnd), shade(110, 30, rnd),
                       shade(35, 10, rnd), 5));
    }
  }
  return out;
}

std::vector<SamplePoint> bench(Random& rnd, int n) {
  std::vector<SamplePoint> out;
  for (int i = 0; i < n; ++i) {
    double x = 14 + rnd.between(0, 1.8);
    bool seat = i % 3 != 0;
    double y = seat ? 10 + rnd.between(0, 0.45) : 10.45;
    double z = seat ? 0.45 : 0.45 + rnd.between(0, 0.45);
    out.push_back(at(x, y, z, shade(120, 10, rnd), shade(80, 10, rnd), shade(50, 10, rnd), 1));
  }
  return out;
}

std::vector<SamplePoint> lampPost(Random& rnd, int n) {
  std::vector<SamplePoint> out;
  for (int i = 0; i < n; ++i) {
    double a = rnd.between(0, kTwoPi), z = rnd.between(0, 4);
    out.push_back(at(20 + 0.06 * std::cos(a), 13.8 + 0.06 * std::sin(a), z, 60, 60, 60, 1));
  }
  return out;
}

bool write(const std::string& path, const std::string& bytes) {
  if (writeFile(path, bytes)) return true;
  std::fprintf(stderr, "reference_samples: cannot write %s\n", path.c_str());
  return false;
}

int writeScene(const std::string& dir) {
  Random rnd;
  PlyOptions ascii{PlyEncoding::kAscii, false, true, false};
  PlyOptions little{PlyEncoding::kLittle, false, true, true};
  PlyOptions big{PlyEncoding::kBig, true, false, false};
  LasOptions las12{2, 3, 0.001, 0};
  LasOptions las14{4, 7, 0.001, 0};
  bool ok = write(dir + "/courtyard_ground.las", lasBytes(ground(rnd, 24000), las12)) &&
            write(dir + "/building.las", lasBytes(building(rnd, 16000), las14)) &&
            write(dir + "/trees.ply", plyBytes(trees(rnd, 9000), little)) &&
            write(dir + "/bench.ply", plyBytes(bench(rnd, 1500), ascii)) &&
            write(dir + "/lamp_post.ply", plyBytes(lampPost(rnd, 1200), big));
  return ok ? 0 : 1;
}

int writeLarge(long long n, const std::string& path) {
  // Streams the records in blocks: a benchmark file does not need to fit in memory twice.
  Random rnd;
  std::vector<SamplePoint> block;
  std::FILE* file = openFile(path, "wb");
  if (!file) return 1;
  LasOptions options{2, 1, 0.001, 0};
  // The header comes from a two-point file spanning the whole extent, with the count fixed.
  std::vector<SamplePoint> corners{at(0, 0, 0, 0, 0, 0, 2), at(100, 100, 10, 0, 0, 0, 2)};
  std::string header = lasBytes(corners, options);
  std::size_t headerSize = header.size() - 2 * 28;
  header.resize(headerSize);
  auto count = static_cast<std::uint32_t>(n);
  std::memcpy(&header[107], &count, 4);
  std::memcpy(&header[111], &count, 4);
  bool ok = std::fwrite(header.data(), 1, header.size(), file) == header.size();
  for (long long done = 0; ok && done < n;) {
    block.clear();
    for (; block.size() < 100000 && done < n; ++done)
      block.push_back(at(rnd.between(0, 100), rnd.between(0, 100), rnd.between(0, 10), 0, 0, 0, 2));
    block.insert(block.begin(), corners.begin(), corners.end());  // the same offset for every block
    std::string bytes = lasBytes(block, options);
    std::size_t skip = headerSize + 2 * 28;
    ok = std::fwrite(bytes.data() + skip, 1, bytes.size() - skip, file) == bytes.size() - skip;
  }
  return std::fclose(file) == 0 && ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2) return writeScene(argv[1]);
  if (argc == 4 && std::strcmp(argv[1], "--las") == 0) {
    long long n = std::atoll(argv[2]);
    if (n > 0 && n <= 0xFFFFFFFFLL) return writeLarge(n, argv[3]);
  }
  std::fprintf(stderr, "usage: reference_samples DIR | reference_samples --las N FILE\n");
  return 2;
}
