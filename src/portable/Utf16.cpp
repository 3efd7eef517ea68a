#include "portable/Utf16.h"

#include <cstdint>

namespace orvax {
namespace {

void appendCodePoint(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool isHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::string unitsToUtf8(const WideString& text) {
  std::string out;
  out.reserve(text.size());
  for (WideChar unit : text) appendCodePoint(out, static_cast<std::uint16_t>(unit));
  return out;
}

bool utf8ToUtf16(std::string_view text, WideString& out) {
  out.clear();
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::uint32_t cp;
    std::size_t trail;
    std::uint32_t minimum;
    if (lead < 0x80) {
      cp = lead, trail = 0, minimum = 0;
    } else if ((lead & 0xE0) == 0xC0) {
      cp = lead & 0x1F, trail = 1, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      cp = lead & 0x0F, trail = 2, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      cp = lead & 0x07, trail = 3, minimum = 0x10000;
    } else {
      return false;  // a stray continuation byte or no lead byte at all
    }
    if (text.size() - i <= trail) return false;
    for (std::size_t k = 1; k <= trail; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || isHighSurrogate(cp) || isLowSurrogate(cp)) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<WideChar>(0xD800 + (cp >> 10));
      out += static_cast<WideChar>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<WideChar>(cp);
    }
    i += trail + 1;
  }
  return true;
}

std::string utf16ToUtf8(const WideString& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::uint32_t unit = static_cast<std::uint16_t>(text[i]);
    if (isHighSurrogate(unit) && i + 1 < text.size() &&
        isLowSurrogate(static_cast<std::uint16_t>(text[i + 1]))) {
      const std::uint32_t low = static_cast<std::uint16_t>(text[++i]);
      appendCodePoint(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
      appendCodePoint(out, 0xFFFD);
    } else {
      appendCodePoint(out, unit);
    }
  }
  return out;
}

WideString widen(std::string_view ascii) {
  // Bytes above 0x7F (not expected here) become the unit of the same value.
  WideString out;
  out.reserve(ascii.size());
  for (char c : ascii) out += static_cast<WideChar>(static_cast<unsigned char>(c));
  return out;
}

}  // namespace orvax
