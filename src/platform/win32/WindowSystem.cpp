// Windows of this desktop through the window manager's enumeration calls.
#include "platform/WindowSystem.h"

#include <windows.h>

#include <vector>

namespace orvax::platform {
namespace {

BOOL CALLBACK visitOne(HWND window, LPARAM data) {
  return (*reinterpret_cast<const WindowSystem::Visit*>(data))(window) ? TRUE : FALSE;
}

class Win32Windows final : public WindowSystem {
 public:
  std::uint32_t currentProcessId() override { return GetCurrentProcessId(); }

  void forEachTopLevel(const Visit& visit) override {
    EnumWindows(visitOne, reinterpret_cast<LPARAM>(&visit));
  }

  void forEachDescendant(WindowHandle parent, const Visit& visit) override {
    EnumChildWindows(static_cast<HWND>(parent), visitOne, reinterpret_cast<LPARAM>(&visit));
  }

  std::uint32_t ownerProcess(WindowHandle window) override {
    DWORD process = 0;
    GetWindowThreadProcessId(static_cast<HWND>(window), &process);
    return process;
  }

  WideString title(WindowHandle window, std::size_t capacity, std::uint32_t timeoutMs) override {
    std::vector<wchar_t> buffer(capacity, L'\0');
    DWORD_PTR copied = 0;
    // A window whose thread does not answer in time has no title for us.
    if (SendMessageTimeoutW(static_cast<HWND>(window), WM_GETTEXT, capacity,
                            reinterpret_cast<LPARAM>(buffer.data()), SMTO_NORMAL, timeoutMs,
                            &copied) == 0) {
      return {};
    }
    buffer.back() = L'\0';
    return buffer.data();
  }

  WideString className(WindowHandle window, std::size_t capacity) override {
    std::vector<wchar_t> buffer(capacity, L'\0');
    const int copied =
        GetClassNameW(static_cast<HWND>(window), buffer.data(), static_cast<int>(capacity));
    return WideString(buffer.data(), copied > 0 ? static_cast<std::size_t>(copied) : 0);
  }
};

}  // namespace

WindowSystem& windowSystem() {
  static Win32Windows windows;
  return windows;
}

}  // namespace orvax::platform
