#pragma once
// Wide literals for tests: written as u"..." and turned into the platform's wide string.
#include <string_view>

#include "portable/Utf16.h"

namespace orvax::test {

inline WideString W(std::u16string_view text) { return WideString(text.begin(), text.end()); }

}  // namespace orvax::test
