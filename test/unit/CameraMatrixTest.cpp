#include <gtest/gtest.h>

#include <cmath>

#include "portable/CameraMatrix.h"

namespace orvax {

// Each vector lands in its three cells, negated where it must be, and nowhere else.
TEST(CameraMatrix, EachVectorWritesItsCellsOnly) {
  const struct {
    CameraVector vector;
    int cells[3];
    double sign;
  } cases[] = {
      {CameraVector::XAxis, {0, 4, 8}, 1},
      {CameraVector::YAxis, {1, 5, 9}, 1},
      {CameraVector::ZAxis, {2, 6, 10}, -1},
      {CameraVector::Eye, {12, 13, 14}, -1},
  };
  for (const auto& c : cases) {
    double m[16];
    for (double& cell : m) cell = 7;
    setCameraVector(m, c.vector, 1, 2, -0.0);
    double expected[16];
    for (double& cell : expected) cell = 7;
    expected[c.cells[0]] = c.sign * 1;
    expected[c.cells[1]] = c.sign * 2;
    expected[c.cells[2]] = c.sign * -0.0;
    for (int i = 0; i < 16; ++i) {
      EXPECT_EQ(m[i], expected[i]) << "cell " << i << " of vector " << c.cells[0];
      EXPECT_EQ(std::signbit(m[i]), std::signbit(expected[i])) << "cell " << i;
    }
  }
}

}  // namespace orvax
