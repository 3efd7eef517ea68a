#include "portable/HostVersions.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace orvax {
namespace {

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

}  // namespace

bool readHostVersions(const std::string& request, HostVersions& out, std::string& error) {
  try {
    if (request.empty()) {
      // Older releases of the library word this case differently; keep one message.
      throw std::invalid_argument(
          "[json.exception.parse_error.101] parse error at line 1, column 1: attempting to "
          "parse an empty input; check that your input string or stream contains the "
          "expected JSON");
    }
    nlohmann::json json = nlohmann::json::parse(request);
    out.version = readVersion(json, "bk_version_number");
    out.major = readVersion(json, "major_version");
    out.minor = readVersion(json, "minor_version");
    return true;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

}  // namespace orvax
