#pragma once
// Reading a system text of unknown length into a buffer that grows until it fits.
#include <cstddef>
#include <cstdint>
#include <string>

namespace orvax::platform::win32 {

// Longest text accepted; Windows paths stop at 32767 units.
inline constexpr std::size_t kLongestSystemText = 65536;

// `query(buffer, capacity)` follows GetModuleFileNameW: it returns the length written
// without the terminator, 0 on failure, or `capacity` when the text was cut to fit. The
// buffer starts at the classic 260 units and doubles until the whole text fits, so a long
// path is never returned cut. Empty on failure.
template <class Char, class Query>
std::basic_string<Char> readGrowing(Query query) {
  std::basic_string<Char> buffer(260, Char{});
  for (;;) {
    const std::size_t length = query(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    if (buffer.size() >= kLongestSystemText) return {};
    buffer.assign(buffer.size() * 2, Char{});
  }
}

}  // namespace orvax::platform::win32
