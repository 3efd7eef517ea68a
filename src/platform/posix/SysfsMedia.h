#pragma once
// Serial numbers of the block devices that sysfs lists.
#include <memory>
#include <string>

#include "platform/MediaService.h"

namespace orvax::platform::posix {

// Media from the sysfs tree at `root` ("/sys" on a running system): each entry of
// <root>/block in name order, its serial from <root>/block/<name>/device/serial or
// <root>/block/<name>/serial. An unreadable <root>/block means no service.
std::unique_ptr<MediaService> sysfsMedia(std::string root);

}  // namespace orvax::platform::posix
