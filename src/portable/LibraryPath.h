#pragma once
#include "portable/Utf16.h"

namespace orvax {

inline constexpr const char kEngineFileName[] = "BrikolanHook.dll";

// The engine's directory, derived from the extension's own module path: the path cut
// after min(n, p - 3) units, p being the index of the last '\\' or '/' (computed in
// unsigned arithmetic, so a missing separator or one at index 2 or less keeps the
// whole path).
WideString engineDirectory(const WideString& modulePath);

// The directory followed directly by the engine's file name.
WideString engineLibraryPath(const WideString& directory);

}  // namespace orvax
