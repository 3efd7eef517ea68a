#pragma once
// Where diagnostic lines go, as an interface so that logic writing them can be tested.
#include <string_view>

#include "portable/Utf16.h"

namespace orvax::platform {

class ConsoleSink {
 public:
  virtual ~ConsoleSink() = default;
  virtual void line(std::string_view narrow) = 0;
  virtual void wideLine(const WideString& wide) = 0;
};

// The process's standard output (consoleLine / consoleWideLine).
ConsoleSink& standardConsole();

}  // namespace orvax::platform
