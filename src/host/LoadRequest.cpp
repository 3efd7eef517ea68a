// The scripts' JSON load request.
#include <cstdint>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "binding/Errors.h"
#include "engine/Binding.h"
#include "engine/Lifecycle.h"
#include "facade/MyNativeClass.h"

namespace orvax::lifecycle {
namespace {

struct Versions {
  long long version, major, minor;
};

// A number read as a signed 64-bit integer, its fraction cut toward zero. A value that
// does not fit is refused rather than wrapped (or, for a fraction, left to undefined
// conversion).
long long readVersion(nlohmann::json& request, const char* key) {
  nlohmann::json& value = request[key];
  bool fits = true;
  if (value.is_number_float()) {
    double number = value.get<double>();
    fits = number >= -9223372036854775808.0 && number < 9223372036854775808.0;
  } else if (value.is_number_unsigned()) {
    fits = value.get<std::uint64_t>() <= static_cast<std::uint64_t>(INT64_MAX);
  }
  if (!fits) throw std::out_of_range(std::string("version number out of range: ") + key);
  return value.get<std::int64_t>();
}

// Reads the three version members; a JSON error becomes an ArgumentError carrying the
// library's message, before anything is loaded.
Versions readVersions(const std::string& request) {
  std::string error;
  Versions versions{};
  try {
    if (request.empty()) {
      // Older releases of the library word this case differently; keep one message.
      throw std::invalid_argument(
          "[json.exception.parse_error.101] parse error at line 1, column 1: attempting to "
          "parse an empty input; check that your input string or stream contains the "
          "expected JSON");
    }
    nlohmann::json json = nlohmann::json::parse(request);
    versions.version = readVersion(json, "bk_version_number");
    versions.major = readVersion(json, "major_version");
    versions.minor = readVersion(json, "minor_version");
    return versions;
  } catch (const std::exception& e) {
    error = e.what();
  }
  raise(rb_eArgError, error);
}

}  // namespace

std::string LoadMultiPointCloud(MyNativeClass& facade, const std::string& request) {
  Versions v = readVersions(request);
  bool loaded = LoadQPEDll(facade, false, v.version, v.major, v.minor);
  if (loaded) engine::callSlot<engine::kSetBKVersion>(v.major);
  facade.mNativeToRuby->callAnalytics_Initialization(loaded ? "1" : "0", 0, "", "", "", "", "");
  if (loaded && engine::isBound()) return engine::callSlot<engine::kLoadRequest>(request);
  return std::string();
}

}  // namespace orvax::lifecycle
