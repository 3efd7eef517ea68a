// Console lines through the C runtime's stdout, shared by every platform.
#include <cstdio>

#include "platform/ConsoleSink.h"
#include "platform/Platform.h"

namespace orvax::platform {

void consoleLine(std::string_view narrow) {
  // Write failures are ignored: a diagnostic must never stop the caller.
  std::fwrite(narrow.data(), 1, narrow.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void consoleWideLine(const WideString& wide) {
  // Wide lines go out as UTF-8 on the narrow stream. Mixing widths on one stream is
  // broken on both runtimes: glibc fixes the orientation at the first write and drops
  // the other width, and the Windows runtimes convert wide output through the C locale,
  // where characters outside it fail the write (and leave std::wcout failed for good).
  consoleLine(utf16ToUtf8(wide));
}

namespace {

class StandardConsole final : public ConsoleSink {
 public:
  void line(std::string_view narrow) override { consoleLine(narrow); }
  void wideLine(const WideString& wide) override { consoleWideLine(wide); }
};

}  // namespace

ConsoleSink& standardConsole() {
  static StandardConsole console;
  return console;
}

}  // namespace orvax::platform
