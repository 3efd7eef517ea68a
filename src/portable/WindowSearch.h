#pragma once
// Finding the host's main window and view window among the windows of this process, to
// own the extension's dialogs.
#include <vector>

#include "platform/ConsoleSink.h"
#include "platform/WindowSystem.h"

namespace orvax {

using platform::WindowHandle;

inline constexpr std::size_t kTitleCapacity = 256;
inline constexpr std::uint32_t kTitleTimeoutMs = 1000;
inline constexpr std::size_t kClassNameCapacity = 200;

// The host main windows of this process whose titles match, in the system's order, up to
// and including the first one under which a view window was found, followed by that view
// window. Titles and view windows found are written to `console`.
std::vector<WindowHandle> findHostWindows(platform::WindowSystem& windows,
                                          platform::ConsoleSink& console);

// The window to own a dialog: the second-to-last entry of two or more, the only entry of
// one, none (null) of an empty list.
WindowHandle pickDialogOwner(const std::vector<WindowHandle>& found);

}  // namespace orvax
