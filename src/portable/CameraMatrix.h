#pragma once
// The camera matrix the engine takes: 16 cells, the three axes in the rows of the upper
// left 3x3 block (cells 0-2, 4-6, 8-10) and the eye in cells 12-14. The Z axis and the
// eye are stored negated (the camera looks down its -Z).

namespace orvax {

enum class CameraVector { XAxis, YAxis, ZAxis, Eye };

// The cells one vector is written to, and whether it is written negated.
struct CameraCells {
  int cells[3];
  bool negated;
};

constexpr CameraCells cameraCells(CameraVector vector) {
  switch (vector) {
    case CameraVector::XAxis:
      return {{0, 4, 8}, false};
    case CameraVector::YAxis:
      return {{1, 5, 9}, false};
    case CameraVector::ZAxis:
      return {{2, 6, 10}, true};
    case CameraVector::Eye:
      break;
  }
  return {{12, 13, 14}, true};
}

inline void setCameraVector(double (&matrix)[16], CameraVector vector, double x, double y,
                            double z) {
  const CameraCells c = cameraCells(vector);
  const double values[3] = {x, y, z};
  for (int i = 0; i < 3; ++i) matrix[c.cells[i]] = c.negated ? -values[i] : values[i];
}

}  // namespace orvax
