#pragma once
// Why a file could not be read, in words for the person who chose the file.
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

namespace reference {

class ReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Text taken from a file, in quotes, fit for a message: bytes other than printable ASCII
// are shown as \xNN (a damaged file is not UTF-8, and messages must be).
inline std::string quoted(std::string_view bytes) {
  std::string out = "\"";
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", c);
      out += escape;
    }
  }
  return out + "\"";
}

}  // namespace reference
