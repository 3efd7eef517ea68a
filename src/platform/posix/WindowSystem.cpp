// No host windows here: the host application runs on Windows only, so the search finds
// nothing and the dialog opens without owner.
#include "platform/WindowSystem.h"

#include <unistd.h>

namespace orvax::platform {
namespace {

class NoWindows final : public WindowSystem {
 public:
  std::uint32_t currentProcessId() override { return static_cast<std::uint32_t>(getpid()); }
  void forEachTopLevel(const Visit&) override {}
  void forEachDescendant(WindowHandle, const Visit&) override {}
  std::uint32_t ownerProcess(WindowHandle) override { return 0; }
  WideString title(WindowHandle, std::size_t, std::uint32_t) override { return {}; }
  WideString className(WindowHandle, std::size_t) override { return {}; }
};

}  // namespace

WindowSystem& windowSystem() {
  static NoWindows windows;
  return windows;
}

}  // namespace orvax::platform
