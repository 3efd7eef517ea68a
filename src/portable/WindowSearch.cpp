#include "portable/WindowSearch.h"

#include <algorithm>
#include <string_view>

#include "portable/Console.h"

namespace orvax {
namespace {

// Substrings of a host main window's title, tried in this order; case-sensitive.
constexpr std::u16string_view kTitlePatterns[] = {
    u"Brikolan Pro 2019",
    u"Brikolan Pro 2020",
    u"- Brikolan",
    u"Brikolan Pro 2024",
};

// The host's view window classes, compared whole.
constexpr std::u16string_view kStopViewClass = u"AfxFrameOrView140u";
constexpr std::u16string_view kGoOnViewClass = u"Qt5155QWindowIcon";

bool equals(const WideString& text, std::u16string_view expected) {
  return text.size() == expected.size() && std::equal(text.begin(), text.end(), expected.begin());
}

bool contains(const WideString& text, std::u16string_view pattern) {
  return std::search(text.begin(), text.end(), pattern.begin(), pattern.end()) != text.end();
}

// What a buffer of `capacity` units would hold: the text up to its first terminator, at
// most capacity - 1 units.
WideString asReadInto(WideString text, std::size_t capacity) {
  const std::size_t end = text.find(WideChar(0));
  if (end != WideString::npos) text.resize(end);
  if (text.size() >= capacity) text.resize(capacity - 1);
  return text;
}

bool isHostTitle(const WideString& title) {
  for (std::u16string_view pattern : kTitlePatterns) {
    if (contains(title, pattern)) return true;
  }
  return false;
}

// The view window under `main`: an "AfxFrameOrView140u" descendant ends the visit; a
// "Qt5155QWindowIcon" one lets it go on. Every visit first forgets what was found, so a
// "Qt5155QWindowIcon" window counts only as the last descendant visited.
WindowHandle findView(platform::WindowSystem& windows, platform::ConsoleSink& console,
                      WindowHandle main) {
  WindowHandle found = nullptr;
  windows.forEachDescendant(main, [&](WindowHandle child) {
    found = nullptr;
    const WideString name =
        asReadInto(windows.className(child, kClassNameCapacity), kClassNameCapacity);
    const bool stop = equals(name, kStopViewClass);
    if (!stop && !equals(name, kGoOnViewClass)) return true;
    found = child;
    console.wideLine(name);
    console.line(pointerText(child));
    return !stop;
  });
  return found;
}

}  // namespace

std::vector<WindowHandle> findHostWindows(platform::WindowSystem& windows,
                                          platform::ConsoleSink& console) {
  const std::uint32_t processId = windows.currentProcessId();
  std::vector<WindowHandle> found;
  windows.forEachTopLevel([&](WindowHandle window) {
    if (window == nullptr || windows.ownerProcess(window) != processId) return true;
    const WideString title =
        asReadInto(windows.title(window, kTitleCapacity, kTitleTimeoutMs), kTitleCapacity);
    if (!isHostTitle(title)) return true;
    console.wideLine(title);
    found.push_back(window);
    WindowHandle view = findView(windows, console, window);
    if (view == nullptr) return true;
    found.push_back(view);
    return false;
  });
  return found;
}

WindowHandle pickDialogOwner(const std::vector<WindowHandle>& found) {
  if (found.empty()) return nullptr;
  return found.size() == 1 ? found.front() : found[found.size() - 2];
}

}  // namespace orvax
