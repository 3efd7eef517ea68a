#pragma once
// The host's version numbers, read from the scripts' JSON load request.
#include <string>

namespace orvax {

struct HostVersions {
  long long version = 0;  // "bk_version_number"
  long long major = 0;    // "major_version"
  long long minor = 0;    // "minor_version"
};

// Parses the request and reads the three members as signed 64-bit integers, fractions
// cut toward zero. On a JSON error (or a number beyond the 64-bit range) returns false
// with the JSON library's message in `error`.
bool readHostVersions(const std::string& request, HostVersions& out, std::string& error);

}  // namespace orvax
