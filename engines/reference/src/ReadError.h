#pragma once
// Why a file could not be read, in words for the person who chose the file.
#include <stdexcept>
#include <string>

namespace reference {

class ReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace reference
