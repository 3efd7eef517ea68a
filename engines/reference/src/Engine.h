#pragma once
// The reference engine's state and operations, apart from the entry table: what it holds
// (clouds, settings, camera, offset, boxes) and how it answers. Engine events go to a
// Host, which the entry table connects to the callback slots.
#include <map>
#include <string>
#include <vector>

#include "PointCloud.h"
#include "portable/GeometryRecords.h"

namespace reference {

class Host {
 public:
  virtual ~Host() = default;
  virtual void messageBox(const std::string& text) = 0;
  virtual void pointCloudLoaded(const std::string& name, bool ok) = 0;
  virtual void analyticsPointCloudLoaded(const std::string& text) = 0;
  virtual void updateView() = 0;
};

// Display settings, stored by their setters and read back by their getters.
struct Settings {
  int pointSize = 1;
  int colorMode = 0;
  int visibilityMode = 0;
  int shadingMode = 0;
  double transparency = 0.0;
  double realTimeTextured = 0.0;
  int pickingMode = 0;
  int pickingLockMode = 0;
  int activeTool = 0;
  double resolution = 1.0;
  double conditionalBlending = 0.0;
  double comparisonDistance = 0.0;
  bool cutView = false;
  double thickness = 0.0;
  int decimationPercent = 0;
  double contrast = 0.0;
  double brightness = 0.0;
  bool sceneMoving = false;
  long long bkVersion = 0;
};

struct LoadedCloud {
  std::string name;
  std::string path;
  Cloud cloud;
  bool visible = true;
};

class Engine {
 public:
  // Host versions this engine serves: majors kFirstMajor to kLastMajor, with a version
  // number whose hundreds are the major (2400 for 24.x).
  static constexpr long long kFirstMajor = 21;
  static constexpr long long kLastMajor = 26;
  static bool supports(long long version, long long major, long long minor);

  void started(bool flag) { started_ = flag; }
  void release();
  void forgetClouds();

  // The load request: a JSON object with a "files" array of paths. Answers the summary.
  std::string load(const std::string& request, Host& host);

  const std::vector<LoadedCloud>& clouds() const { return clouds_; }
  std::vector<std::string> names() const;
  std::vector<bool> visibility() const;
  void setVisible(int index, bool visible);
  void setVisible(const std::string& name, bool visible);
  std::vector<std::string> filterNames() const;
  std::vector<bool> filterVisibility() const;
  void setFilterVisible(int index, bool visible);
  void setFilterVisible(const std::string& name, bool visible);
  std::vector<std::string> stationNames() const;
  std::map<std::string, std::string> stationClouds() const;
  std::vector<double> stationPositions() const;
  std::vector<ClippingBox> clippingBoxes() const;
  std::string lastLoadedName() const { return lastLoaded_; }

  // Model coordinates: the transformation applied, then the global offset taken away.
  std::vector<double> boundingBox() const;  // minX, minY, minZ, maxX, maxY, maxZ
  std::vector<double> transformation() const;
  void scale(float factor);
  std::vector<double> globalOffset() const { return {offset_[0], offset_[1], offset_[2]}; }
  void setGlobalOffset(double x, double y, double z) { offset_ = {x, y, z}; }
  void setCamera(const double* matrix16);
  std::vector<double> cameraPointAndNormal() const;

  Settings settings;

 private:
  Bounds modelBounds(const Bounds& file) const;
  std::vector<int> filterClasses() const;

  bool started_ = false;
  std::vector<LoadedCloud> clouds_;
  std::map<int, bool> hiddenFilters_;
  std::string lastLoaded_;
  double scale_ = 1.0;
  Vec3 offset_{0, 0, 0};
  std::vector<double> camera_ = std::vector<double>(16, 0.0);
};

}  // namespace reference
