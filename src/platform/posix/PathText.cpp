#include "platform/posix/PathText.h"

namespace orvax::platform::posix {
WideString widenPath(std::string_view bytes) {
  WideString decoded;
  if (utf8ToUtf16(bytes, decoded)) return decoded;
  return widen(bytes);
}

}  // namespace orvax::platform::posix
