#pragma once
// File-system paths are byte strings here; the interfaces carry them as UTF-16.
#include <string_view>

#include "portable/Utf16.h"

namespace orvax::platform::posix {

// Decodes a UTF-8 path into UTF-16 (characters above U+FFFF become surrogate pairs, so
// utf16ToUtf8 gives the same bytes back). Bytes that are not UTF-8 are taken one unit per
// byte instead; such a path no longer converts back to the same bytes.
WideString widenPath(std::string_view bytes);

}  // namespace orvax::platform::posix
