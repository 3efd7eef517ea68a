#pragma once
// The records the engine uses to describe clipping boxes.
#include <cstdint>
#include <vector>

struct SectionPlane {
  std::int64_t values[6] = {0, 0, 0, 0, 0, 0};
  bool flag = false;
};

struct ClippingBox {
  std::vector<SectionPlane> sSectionVector = std::vector<SectionPlane>(6);
  std::vector<double> sxXyYzZ = std::vector<double>(6, 0.0);
  double mSumBBMinnMax = 0.0;
  bool mClippingBoxEnabled = false;
  bool mClippingBoxVisible = false;

  bool get_Enabled() const { return mClippingBoxEnabled; }
  bool get_Visible() const { return mClippingBoxVisible; }
};
