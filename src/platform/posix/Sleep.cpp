#include <time.h>

#include <cerrno>

#include "platform/Platform.h"

namespace orvax::platform {

void sleepMilliseconds(std::uint32_t ms) {
  timespec remaining{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  // A signal handled meanwhile must not shorten the pause.
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

}  // namespace orvax::platform
