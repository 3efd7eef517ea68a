// The scripts' JSON load request.
#include <cstdint>

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
    versions.version = json["bk_version_number"].get<std::int64_t>();
    versions.major = json["major_version"].get<std::int64_t>();
    versions.minor = json["minor_version"].get<std::int64_t>();
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
