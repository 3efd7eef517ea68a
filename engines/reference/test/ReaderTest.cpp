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

Cloud read(const std::string& bytes, const std::string& name) {
  MemorySource source(bytes);
  return readCloud(source, name);
}

void expectBounds(const Cloud& cloud, const std::vector<SamplePoint>& points, double tolerance) {
  Bounds expected;
  for (const SamplePoint& p : points) expected.add(Vec3{p.x, p.y, p.z});
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(cloud.bounds.min[i], expected.min[i], tolerance) << "axis " << i;
    EXPECT_NEAR(cloud.bounds.max[i], expected.max[i], tolerance) << "axis " << i;
  }
  // The kept points, origin added back, agree with the written ones.
  const Point& last = cloud.points.back();
  EXPECT_NEAR(cloud.origin[0] + last.x, points.back().x, tolerance + 1e-3);
  EXPECT_NEAR(cloud.origin[2] + last.z, points.back().z, tolerance + 1e-3);
}

struct PlyCase {
  const char* label;
  PlyOptions options;
  const char* format;
  double tolerance;  // float coordinates of survey-sized values keep about 6 cm
};
const PlyCase kPlyCases[] = {
    {"ascii float colour", {PlyEncoding::kAscii, false, true, false}, "PLY ascii", 0.07},
    {"ascii double extras", {PlyEncoding::kAscii, true, false, true}, "PLY ascii", 1e-9},
    {"little float extras",
     {PlyEncoding::kLittle, false, true, true},
     "PLY binary_little_endian",
     0.07},
    {"little double", {PlyEncoding::kLittle, true, false, false}, "PLY binary_little_endian", 1e-9},
    {"big float colour", {PlyEncoding::kBig, false, true, false}, "PLY binary_big_endian", 0.07},
    {"big double extras", {PlyEncoding::kBig, true, true, true}, "PLY binary_big_endian", 1e-9},
};

TEST(PlyReader, ReadsEveryEncodingAndCoordinateType) {
  std::vector<SamplePoint> points = samplePoints(3000);
  for (const PlyCase& c : kPlyCases) {
    SCOPED_TRACE(c.label);
    Cloud cloud = read(plyBytes(points, c.options), "scan.ply");
    EXPECT_EQ(cloud.format, c.format);
    ASSERT_EQ(cloud.points.size(), points.size());
    expectBounds(cloud, points, c.tolerance);
    ASSERT_EQ(cloud.colours.size(), c.options.colour ? points.size() : 0u);
    if (c.options.colour) {
      EXPECT_EQ(cloud.colours[7].r, 7);
    }
  }
}

TEST(PlyReader, AcceptsCarriageReturnsAndElementsBeforeTheVertices) {
  std::string bytes =
      "ply\r\nformat ascii 1.0\r\nelement camera 1\r\nproperty float k\r\n"
      "property list uchar int ids\r\nelement vertex 2\r\nproperty double x\r\n"
      "property double y\r\nproperty double z\r\nproperty ushort label\r\nend_header\r\n"
      "0.5 3 7 8 9\r\n1 2 3 4\r\n-1 +5 6e1 9\r\n";
  Cloud cloud = read(bytes, "scan.ply");
  ASSERT_EQ(cloud.points.size(), 2u);
  EXPECT_EQ(cloud.bounds.min[0], -1);
  EXPECT_EQ(cloud.bounds.max[2], 60);
}

struct LasCase {
  int minor;
  int format;
  int extraBytes;
};
const LasCase kLasCases[] = {{2, 0, 0}, {2, 1, 0}, {2, 2, 0}, {2, 3, 4}, {3, 4, 0}, {3, 5, 0},
                             {4, 0, 0}, {4, 6, 0}, {4, 7, 2}, {4, 8, 0}, {4, 9, 0}, {4, 10, 0}};

TEST(LasReader, ReadsEveryPointFormatWithScaleAndOffset) {
  std::vector<SamplePoint> points = samplePoints(2500);
  for (const LasCase& c : kLasCases) {
    SCOPED_TRACE("LAS 1." + std::to_string(c.minor) + " format " + std::to_string(c.format));
    Cloud cloud =
        read(lasBytes(points, LasOptions{c.minor, c.format, 0.001, c.extraBytes}), "a.las");
    EXPECT_EQ(cloud.format,
              "LAS 1." + std::to_string(c.minor) + " point format " + std::to_string(c.format));
    ASSERT_EQ(cloud.points.size(), points.size());
    expectBounds(cloud, points, 0.0006);
    bool colour = c.format == 2 || c.format == 3 || c.format == 5 || c.format == 7 ||
                  c.format == 8 || c.format == 10;
    ASSERT_EQ(cloud.colours.size(), colour ? points.size() : 0u);
    if (colour) {
      EXPECT_EQ(cloud.colours[9].g, 255 - 9);
    }
    EXPECT_TRUE(cloud.classes.test(2));
    EXPECT_TRUE(cloud.classes.test(6));
    EXPECT_EQ(cloud.classes.count(), 2u);
  }
}

}  // namespace
}  // namespace reference
