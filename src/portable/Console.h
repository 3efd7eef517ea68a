#pragma once
// How diagnostic lines print values.
#include <cstdint>
#include <string>

namespace orvax {

// A pointer as the Windows C++ stream prints it: 16 upper-case hexadecimal digits,
// zero-padded, no prefix. Used on every platform so that logs read the same everywhere.
std::string pointerText(std::uintptr_t value);
inline std::string pointerText(const void* value) {
  return pointerText(reinterpret_cast<std::uintptr_t>(value));
}

}  // namespace orvax
