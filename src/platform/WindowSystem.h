#pragma once
// The window system as the host window search sees it: top-level windows and their
// descendants, the process that owns a window, its title and its class name.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "portable/Utf16.h"

namespace orvax::platform {

using WindowHandle = void*;

class WindowSystem {
 public:
  // Called once per window, in the system's order; returns false to end the visit.
  using Visit = std::function<bool(WindowHandle)>;

  virtual ~WindowSystem() = default;
  virtual std::uint32_t currentProcessId() = 0;
  virtual void forEachTopLevel(const Visit& visit) = 0;
  // Every descendant of `parent`, children of children included.
  virtual void forEachDescendant(WindowHandle parent, const Visit& visit) = 0;
  virtual std::uint32_t ownerProcess(WindowHandle window) = 0;
  // The title read into `capacity` units (terminator included); empty when the window
  // does not answer within `timeoutMs`.
  virtual WideString title(WindowHandle window, std::size_t capacity, std::uint32_t timeoutMs) = 0;
  virtual WideString className(WindowHandle window, std::size_t capacity) = 0;
};

// The windows of this system (none on systems without host windows).
WindowSystem& windowSystem();

}  // namespace orvax::platform
