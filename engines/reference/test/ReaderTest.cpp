// Every encoding and point format the readers take, written by our writers: the counts,
// bounds and colours read back are those written.
#include <gtest/gtest.h>

#include <cmath>

#include "CloudReaders.h"
#include "CloudWriter.h"
#include "ReadError.h"

namespace reference {
namespace {

std::vector<SamplePoint> samplePoints(int n) {
  std::vector<SamplePoint> out;
  for (int i = 0; i < n; ++i) {
    double t = i * 0.37;
    out.push_back(SamplePoint{512000.0 + 10 * std::sin(t), 5400000.0 + 7 * std::cos(t * 1.3),
                              200.0 + 0.01 * i, static_cast<std::uint8_t>(i % 256),
                              static_cast<std::uint8_t>(255 - i % 256), 128,
                              static_cast<std::uint8_t>(i % 2 ? 2 : 6)});
  }
  return out;
}
const std::vector<SamplePoint> kPoints = samplePoints(2500);

Cloud read(const std::string& bytes, const std::string& name) {
  MemorySource source(bytes);
  return readCloud(source, name);
}

// The kept points, origin added back, agree with the written ones.
void expectPoints(const Cloud& cloud, const std::string& format, double tolerance, bool colour) {
  EXPECT_EQ(cloud.format, format);
  ASSERT_EQ(cloud.points.size(), kPoints.size());
  Bounds expected;
  for (const SamplePoint& p : kPoints) expected.add(Vec3{p.x, p.y, p.z});
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(cloud.bounds.min[i], expected.min[i], tolerance) << "axis " << i;
    EXPECT_NEAR(cloud.bounds.max[i], expected.max[i], tolerance) << "axis " << i;
  }
  EXPECT_NEAR(cloud.origin[0] + cloud.points.back().x, kPoints.back().x, tolerance + 1e-3);
  EXPECT_NEAR(cloud.origin[2] + cloud.points.back().z, kPoints.back().z, tolerance + 1e-3);
  ASSERT_EQ(cloud.colours.size(), colour ? kPoints.size() : 0u);
  EXPECT_TRUE(!colour || (cloud.colours[9].r == 9 && cloud.colours[9].g == 246));
}

// Float coordinates of survey-sized values keep about 6 cm.
TEST(PlyReader, ReadsEveryEncodingAndCoordinateType) {
  const char* kFormats[] = {"PLY ascii", "PLY binary_little_endian", "PLY binary_big_endian"};
  for (PlyEncoding encoding : {PlyEncoding::kAscii, PlyEncoding::kLittle, PlyEncoding::kBig}) {
    for (int flags = 0; flags < 8; ++flags) {
      const PlyOptions options{encoding, (flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0};
      SCOPED_TRACE(flags);
      expectPoints(read(plyBytes(kPoints, options), "scan.ply"), kFormats[int(encoding)],
                   options.doubles ? 1e-9 : 0.07, options.colour);
    }
  }
}

TEST(PlyReader, AcceptsCarriageReturnsAndElementsBeforeTheVertices) {
  Cloud cloud = read(
      "ply\r\nformat ascii 1.0\r\nelement camera 1\r\nproperty float k\r\n"
      "property list uchar int ids\r\nelement vertex 2\r\nproperty double x\r\n"
      "property double y\r\nproperty double z\r\nproperty ushort label\r\nend_header\r\n"
      "0.5 3 7 8 9\r\n1 2 3 4\r\n-1 +5 6e1 9\r\n",
      "scan.ply");
  ASSERT_EQ(cloud.points.size(), 2u);
  EXPECT_EQ(cloud.bounds.min[0], -1);
  EXPECT_EQ(cloud.bounds.max[2], 60);
}

TEST(LasReader, ReadsEveryPointFormatWithScaleAndOffset) {
  // LAS 1.minor, point format, extra bytes a record, colour.
  const int kCases[][4] = {{2, 0, 0, 0}, {2, 1, 0, 0}, {2, 2, 0, 1}, {2, 3, 4, 1},
                           {3, 4, 0, 0}, {3, 5, 0, 1}, {4, 0, 0, 0}, {4, 6, 0, 0},
                           {4, 7, 2, 1}, {4, 8, 0, 1}, {4, 9, 0, 0}, {4, 10, 0, 1}};
  for (const auto& [minor, format, extraBytes, colour] : kCases) {
    const std::string name =
        "LAS 1." + std::to_string(minor) + " point format " + std::to_string(format);
    SCOPED_TRACE(name);
    const Cloud cloud = read(lasBytes(kPoints, {minor, format, 0.001, extraBytes}), "a.las");
    expectPoints(cloud, name, 0.0006, colour);
    EXPECT_EQ(cloud.classes, std::bitset<256>().set(2).set(6));
  }
}

}  // namespace
}  // namespace reference
