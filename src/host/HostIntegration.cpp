#include "host/HostIntegration.h"

#include "platform/ConsoleSink.h"
#include "platform/FileDialog.h"
#include "portable/DeviceId.h"
#include "portable/MemoryScan.h"
#include "portable/WindowSearch.h"

namespace orvax::host {

std::vector<std::string> openFileDialogMulti() {
  // Searched again on every call: host windows come, go and change their titles.
  const WindowHandle owner =
      pickDialogOwner(findHostWindows(platform::windowSystem(), platform::standardConsole()));
  return platform::fileDialog().choose(openDialogSettings(owner));
}

std::string getDeviceId() { return deviceId(platform::mediaService()); }

void proto() {
  if (auto memory = platform::openOwnMemory()) scanMemory(*memory, platform::standardConsole());
}

}  // namespace orvax::host
