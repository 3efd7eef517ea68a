#pragma once
// The system's inventory of physical storage media and their serial numbers.
#include <functional>
#include <optional>

#include "portable/Utf16.h"

namespace orvax::platform {

class MediaService {
 public:
  // One medium's serial number; none when the medium reports no serial number as text.
  using Visit = std::function<void(const std::optional<WideString>& serial)>;

  virtual ~MediaService() = default;
  // Visits every medium in the service's order. False when the service cannot be reached
  // (nothing is visited then).
  virtual bool forEachMedium(const Visit& visit) = 0;
};

MediaService& mediaService();

}  // namespace orvax::platform
