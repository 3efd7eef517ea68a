#pragma once
// Where the build put the stand-in engine library, as this program's system spells paths.
#include <filesystem>
#include <string>

#include "portable/Utf16.h"

namespace orvax::test {

inline std::filesystem::path fixtureEngine() {
  std::string path = ORVAX_FIXTURE_ENGINE;
#ifdef _WIN32
  // Built on the host, run under wine: the host's root is drive Z:.
  if (!path.empty() && path.front() == '/') {
    for (char& c : path) c = c == '/' ? '\\' : c;
    path = "Z:" + path;
  }
#endif
  return std::filesystem::path(path);
}

inline WideString wide(const std::filesystem::path& path) {
#ifdef _WIN32
  return path.wstring();
#else
  return path.u16string();
#endif
}

}  // namespace orvax::test
