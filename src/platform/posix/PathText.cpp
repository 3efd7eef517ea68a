#include "platform/posix/PathText.h"

#include <cstdint>
#include <optional>
#include <utility>

namespace orvax::platform::posix {
namespace {

std::optional<WideString> decodeUtf8(std::string_view bytes) {
  WideString out;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t trail;
    std::uint32_t cp;
    std::uint32_t minimum;
    if (lead < 0x80) {
      trail = 0, cp = lead, minimum = 0;
    } else if ((lead & 0xE0) == 0xC0) {
      trail = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      trail = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      trail = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
      return std::nullopt;
    }
    if (bytes.size() - i <= trail) return std::nullopt;
    for (std::size_t k = 1; k <= trail; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<WideChar>(0xD800 + (cp >> 10));
      out += static_cast<WideChar>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<WideChar>(cp);
    }
    i += trail + 1;
  }
  return out;
}

}  // namespace

WideString widenPath(std::string_view bytes) {
  if (auto decoded = decodeUtf8(bytes)) return *std::move(decoded);
  return widen(bytes);
}

}  // namespace orvax::platform::posix
