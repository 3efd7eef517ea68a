#include "portable/DeviceId.h"

#include <optional>

namespace orvax {

std::string deviceId(platform::MediaService& media) {
  std::optional<WideString> last;
  const bool reached = media.forEachMedium([&](const std::optional<WideString>& serial) {
    if (serial) last = serial;
  });
  if (!reached) return {};
  if (!last) return "unknown";
  return unitsToUtf8(last->substr(0, last->find(WideChar(0))));
}

}  // namespace orvax
