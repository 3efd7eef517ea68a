#include <windows.h>

#include "platform/Platform.h"

namespace orvax::platform {

void sleepMilliseconds(std::uint32_t ms) { Sleep(ms); }

}  // namespace orvax::platform
