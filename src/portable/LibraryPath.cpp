#include "portable/LibraryPath.h"

#include <algorithm>

namespace orvax {

WideString engineDirectory(const WideString& modulePath) {
  const std::size_t separator = modulePath.find_last_of(widen("\\/"));
  // Deliberately unsigned: no separator (npos) or one at index 0..2 wraps around and keeps
  // the whole path; otherwise the cut drops the three units before the separator as well,
  // i.e. a module in a three-letter folder finds the engine in that folder's parent.
  const std::size_t keep = std::min(modulePath.size(), separator - 3);
  return modulePath.substr(0, keep);
}

WideString engineLibraryPath(const WideString& directory) {
  return directory + widen(kEngineFileName);
}

}  // namespace orvax
