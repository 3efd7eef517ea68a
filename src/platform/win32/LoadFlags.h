#pragma once
// The LoadLibraryExW flags of each dependency search.
#include <windows.h>

#include <cstdint>

#include "platform/Platform.h"

namespace orvax::platform::win32 {

constexpr std::uint32_t loadLibraryFlags(DependencySearch search) {
  switch (search) {
    case DependencySearch::libraryDirectoryAndDefaults:
      return LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;
  }
  return 0;
}

}  // namespace orvax::platform::win32
