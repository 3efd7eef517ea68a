#include <gtest/gtest.h>

#include <cmath>

#include "portable/CameraMatrix.h"

namespace orvax {

// Each vector lands in its three cells, the Z axis and the eye negated, and nowhere else.
TEST(CameraMatrix, EachVectorWritesItsCellsOnly) {
  const int cells[4][3] = {{0, 4, 8}, {1, 5, 9}, {2, 6, 10}, {12, 13, 14}};
  const double values[3] = {1, 2, -0.0};
  for (int v = 0; v < 4; ++v) {
    double m[16], expected[16];
    std::fill_n(m, 16, 7.0);
    std::fill_n(expected, 16, 7.0);
    for (int i = 0; i < 3; ++i) expected[cells[v][i]] = v < 2 ? values[i] : -values[i];
    setCameraVector(m, CameraVector(v), 1, 2, -0.0);
    for (int i = 0; i < 16; ++i) {
      EXPECT_EQ(m[i], expected[i]) << "cell " << i << " of vector " << v;
      EXPECT_EQ(std::signbit(m[i]), std::signbit(expected[i])) << "cell " << i << " of " << v;
    }
  }
}

}  // namespace orvax
