#include "Engine.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <nlohmann/json.hpp>

#include "CloudReaders.h"
#include "ReadError.h"

namespace reference {
namespace {

using nlohmann::json;

std::string baseName(const std::string& path) {
  std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A file name in the request need not be UTF-8 (the host passes bytes): such bytes become
// U+FFFD in the reply rather than losing it.
std::string dumped(const json& value) {
  return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

json vec(const Vec3& v) { return json::array({v[0], v[1], v[2]}); }

// The standard names of the classification codes, for the filters.
std::string className(int code) {
  static const char* const kNames[] = {
      "never classified", "unclassified", "ground", "low vegetation",  "medium vegetation",
      "high vegetation",  "building",     "noise",  "model key point", "water"};
  if (code < static_cast<int>(std::size(kNames))) return kNames[code];
  return "class " + std::to_string(code);
}

}  // namespace

bool Engine::supports(long long version, long long major, long long minor) {
  return major >= kFirstMajor && major <= kLastMajor && minor >= 0 && version / 100 == major;
}

void Engine::forgetClouds() {
  clouds_.clear();
  hiddenFilters_.clear();
  lastLoaded_.clear();
}

void Engine::release() {
  forgetClouds();
  settings = Settings{};
  scale_ = 1.0;
  offset_ = {0, 0, 0};
  camera_.assign(16, 0.0);
  started_ = false;
}

std::string Engine::load(const std::string& request, Host& host) {
  std::vector<std::string> files;
  try {
    json parsed = json::parse(request);
    files = parsed.at("files").get<std::vector<std::string>>();
  } catch (const json::exception&) {
    std::string text = "The load request has no \"files\" list of paths";
    host.messageBox(text);
    return dumped(json{{"error", text}, {"clouds", json::array()}});
  }
  json summary = json::array();
  bool anyLoaded = false;
  for (const std::string& path : files) {
    std::string name = baseName(path);
    json entry{{"name", name}, {"file", path}};
    std::string failure;
    try {
      Cloud cloud = readCloudFile(path);
      entry["status"] = "loaded";
      entry["format"] = cloud.format;
      entry["points"] = cloud.points.size();
      entry["colour"] = !cloud.colours.empty();
      entry["bounds"] = {{"min", vec(cloud.bounds.min)}, {"max", vec(cloud.bounds.max)}};
      auto same = std::find_if(clouds_.begin(), clouds_.end(),
                               [&](const LoadedCloud& c) { return c.name == name; });
      LoadedCloud loaded{name, path, std::move(cloud), true};
      if (same != clouds_.end()) {
        *same = std::move(loaded);
      } else {
        clouds_.push_back(std::move(loaded));
      }
    } catch (const ReadError& e) {
      failure = e.what();
    } catch (const std::bad_alloc&) {
      failure = "not enough memory to hold its points";
    }
    if (failure.empty()) {
      lastLoaded_ = name;
      anyLoaded = true;
      host.pointCloudLoaded(name, true);
      host.analyticsPointCloudLoaded(
          dumped(json{{"name", name}, {"points", entry["points"]}, {"format", entry["format"]}}));
    } else {
      entry["status"] = "error";
      entry["message"] = failure;
      host.messageBox("Cannot load point cloud " + path + ": " + failure);
      host.pointCloudLoaded(name, false);
    }
    summary.push_back(std::move(entry));
  }
  if (anyLoaded) host.updateView();
  return dumped(json{{"clouds", std::move(summary)}});
}

std::vector<std::string> Engine::names() const {
  std::vector<std::string> out;
  for (const LoadedCloud& c : clouds_) out.push_back(c.name);
  return out;
}

std::vector<bool> Engine::visibility() const {
  std::vector<bool> out;
  for (const LoadedCloud& c : clouds_) out.push_back(c.visible);
  return out;
}

void Engine::setVisible(int index, bool visible) {
  if (index >= 0 && index < static_cast<int>(clouds_.size())) clouds_[index].visible = visible;
}

void Engine::setVisible(const std::string& name, bool visible) {
  for (LoadedCloud& c : clouds_)
    if (c.name == name) c.visible = visible;
}

// Filters: one per classification code present in the loaded clouds, in code order.
std::vector<int> Engine::filterClasses() const {
  std::bitset<256> present;
  for (const LoadedCloud& c : clouds_) present |= c.cloud.classes;
  std::vector<int> out;
  for (int code = 0; code < 256; ++code)
    if (present.test(code)) out.push_back(code);
  return out;
}

std::vector<std::string> Engine::filterNames() const {
  std::vector<std::string> out;
  for (int code : filterClasses()) out.push_back(className(code));
  return out;
}

std::vector<bool> Engine::filterVisibility() const {
  std::vector<bool> out;
  for (int code : filterClasses()) out.push_back(!hiddenFilters_.count(code));
  return out;
}

void Engine::setFilterVisible(int index, bool visible) {
  std::vector<int> codes = filterClasses();
  if (index < 0 || index >= static_cast<int>(codes.size())) return;
  if (visible) {
    hiddenFilters_.erase(codes[index]);
  } else {
    hiddenFilters_[codes[index]] = true;
  }
}

void Engine::setFilterVisible(const std::string& name, bool visible) {
  std::vector<std::string> names = filterNames();
  auto it = std::find(names.begin(), names.end(), name);
  if (it != names.end()) setFilterVisible(static_cast<int>(it - names.begin()), visible);
}

std::vector<std::string> Engine::stationNames() const {
  std::vector<std::string> out;
  for (const LoadedCloud& c : clouds_)
    if (c.cloud.station) out.push_back(c.name + " station");
  return out;
}

std::map<std::string, std::string> Engine::stationClouds() const {
  std::map<std::string, std::string> out;
  for (const LoadedCloud& c : clouds_)
    if (c.cloud.station) out[c.name + " station"] = c.name;
  return out;
}

std::vector<double> Engine::stationPositions() const {
  std::vector<double> out;
  for (const LoadedCloud& c : clouds_) {
    if (!c.cloud.station) continue;
    Bounds at;
    at.add(*c.cloud.station);
    Bounds model = modelBounds(at);
    out.insert(out.end(), model.min.begin(), model.min.end());
  }
  return out;
}

Bounds Engine::modelBounds(const Bounds& file) const {
  // A uniform scale keeps boxes axis-aligned; a negative one swaps their corners.
  Bounds out;
  for (const Vec3* corner : {&file.min, &file.max}) {
    Vec3 p;
    for (int i = 0; i < 3; ++i) p[i] = (*corner)[i] * scale_ - offset_[i];
    out.add(p);
  }
  return out;
}

std::vector<ClippingBox> Engine::clippingBoxes() const {
  // One record per cloud: the box around it, not yet enabled or shown.
  std::vector<ClippingBox> out;
  for (const LoadedCloud& c : clouds_) {
    Bounds b = modelBounds(c.cloud.bounds);
    ClippingBox box;
    box.sxXyYzZ = {b.min[0], b.max[0], b.min[1], b.max[1], b.min[2], b.max[2]};
    double sum = 0;
    for (double v : box.sxXyYzZ) sum += v;
    box.mSumBBMinnMax = sum;
    out.push_back(box);
  }
  return out;
}

std::vector<double> Engine::boundingBox() const {
  Bounds all;
  for (const LoadedCloud& c : clouds_) {
    if (!c.visible) continue;
    Bounds b = modelBounds(c.cloud.bounds);
    all.add(b.min);
    all.add(b.max);
  }
  if (all.empty()) return {};
  return {all.min[0], all.min[1], all.min[2], all.max[0], all.max[1], all.max[2]};
}

std::vector<double> Engine::transformation() const {
  return {scale_, 0, 0, 0, 0, scale_, 0, 0, 0, 0, scale_, 0, 0, 0, 0, 1};
}

void Engine::scale(float factor) {
  // A factor that would collapse or mirror the clouds, or is not a number, changes nothing.
  if (std::isfinite(factor) && factor > 0) scale_ *= factor;
}

void Engine::setCamera(const double* matrix16) {
  if (matrix16) camera_.assign(matrix16, matrix16 + 16);
}

std::vector<double> Engine::cameraPointAndNormal() const {
  // The block holds the negated eye in cells 12 to 14 and the negated view axis in cells
  // 2, 6 and 10: answer the eye point and the axis the camera looks along.
  return {-camera_[12], -camera_[13], -camera_[14], -camera_[2], -camera_[6], -camera_[10]};
}

}  // namespace reference
