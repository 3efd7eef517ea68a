#include "portable/Console.h"

namespace orvax {

std::string pointerText(std::uintptr_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(16, '0');
  for (int i = 15; i >= 0 && value != 0; --i, value >>= 4) text[i] = kDigits[value & 0xF];
  return text;
}

}  // namespace orvax
