#include <windows.h>

#include "platform/Platform.h"

namespace orvax::platform {

void* threadLocalValue(std::uint32_t index) { return TlsGetValue(index); }

}  // namespace orvax::platform
