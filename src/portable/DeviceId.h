#pragma once
// The device identifier: the serial number of a physical storage medium.
#include <string>

#include "platform/MediaService.h"

namespace orvax {

// The serial number of the last medium, in the service's order, that reports one as
// text, up to its first zero unit, in the per-unit UTF-8 encoding; "unknown" when the
// service answers but no medium reports one; empty when the service cannot be reached.
std::string deviceId(platform::MediaService& media);

}  // namespace orvax
