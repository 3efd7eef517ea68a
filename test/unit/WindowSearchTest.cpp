#include <gtest/gtest.h>

#include "HostSubstitutes.h"
#include "portable/Console.h"
#include "portable/WindowSearch.h"

namespace orvax {
namespace {

using Handles = std::vector<WindowHandle>;
using Request = std::pair<std::size_t, std::uint32_t>;  // capacity, time-out
WindowHandle H(std::size_t number) { return reinterpret_cast<WindowHandle>(number); }
std::size_t N(WindowHandle w) { return reinterpret_cast<std::size_t>(w); }

// Handles number the windows from 1 as added; a window's text is its title or class name.
struct FakeWindows final : platform::WindowSystem {
  static constexpr std::uint32_t kOwnProcess = 4242;
  struct Window {
    WideString text;
    std::size_t parent;  // 0: top level
    std::uint32_t process;
    bool answers;
  };
  std::vector<Window> windows;
  std::vector<Request> requests;
  bool nullFirst = false;
  test::RecordingConsole console;

  WindowHandle add(std::u16string_view text, WindowHandle parent = nullptr,
                   std::uint32_t process = kOwnProcess, bool answers = true) {
    windows.push_back({test::W(text), N(parent), process, answers});
    return H(windows.size());
  }
  Handles search() { return findHostWindows(*this, console); }
  std::uint32_t currentProcessId() override { return kOwnProcess; }
  void forEachTopLevel(const Visit& visit) override {
    if (!nullFirst || visit(nullptr)) children(0, visit, false);
  }
  void forEachDescendant(WindowHandle parent, const Visit& visit) override {
    children(N(parent), visit, true);
  }
  std::uint32_t ownerProcess(WindowHandle w) override { return at(w).process; }
  WideString title(WindowHandle w, std::size_t capacity, std::uint32_t timeout) override {
    requests.push_back({capacity, timeout});
    return at(w).answers ? at(w).text : WideString();
  }
  WideString className(WindowHandle w, std::size_t capacity) override {
    requests.push_back({capacity, 0});
    return at(w).text;
  }
  Window& at(WindowHandle w) { return windows.at(N(w) - 1); }
  // Depth first when `deep`, as the system visits descendants.
  bool children(std::size_t parent, const Visit& visit, bool deep) {
    for (std::size_t i = 1; i <= windows.size(); ++i) {
      if (windows[i - 1].parent != parent) continue;
      if (!visit(H(i)) || (deep && !children(i, visit, deep))) return false;
    }
    return true;
  }
};

TEST(WindowSearch, MatchesTitlesOfAnsweringWindowsOfItsOwnProcessCaseSensitively) {
  FakeWindows windows;
  windows.nullFirst = true;
  for (auto title : {u"Brikolan Pro 2019", u"m.skp - Brikolan Pro 2024", u"x Brikolan Pro 2020 y",
                     u"brikolan pro 2019", u"- BRIKOLAN", u"-Brikolan", u"Brikolan Pro 2021", u""})
    windows.add(title);
  windows.add(u"Brikolan Pro 2019", nullptr, 7);
  windows.add(u"Brikolan Pro 2019", nullptr, FakeWindows::kOwnProcess, false);
  // Read into 256 units: the first loses the pattern's last unit, the second keeps it.
  windows.add(std::u16string(239, u'a') + u"Brikolan Pro 2019");
  windows.add(std::u16string(238, u'a') + u"Brikolan Pro 2019 and more");
  windows.add(std::u16string_view(u"a\0Brikolan Pro 2019", 19));  // ends at the terminator
  EXPECT_EQ(windows.search(), (Handles{H(1), H(2), H(3), H(12)}));
  EXPECT_EQ(windows.console.lines.size(), 4u);
  EXPECT_EQ(windows.console.lines.back(), "w:" + std::string(238, 'a') + "Brikolan Pro 2019");
  // Never asked of another process's window.
  EXPECT_EQ(windows.requests, std::vector<Request>(12, {256, 1000}));
}

TEST(WindowSearch, ViewClassesStopOrGoOn) {
  const struct {
    std::vector<std::u16string_view> classes;  // each the child of the one before
    Handles found;                             // main windows are 1 and 2; descendants from 3
    std::size_t views;
  } cases[] = {
      {{}, {H(1), H(2)}, 0},
      {{u"Other", u"AfxFrameOrView140u", u"Other"}, {H(1), H(4)}, 1},
      {{u"AfxFrameOrView140u", u"AfxFrameOrView140u"}, {H(1), H(3)}, 1},
      {{u"Other", u"Qt5155QWindowIcon"}, {H(1), H(4)}, 1},
      // A later descendant of any class clears it again.
      {{u"Qt5155QWindowIcon", u"Other"}, {H(1), H(2)}, 1},
      {{u"Qt5155QWindowIcon", u"AfxFrameOrView140u", u"Other"}, {H(1), H(4)}, 2},
      // Compared whole and case-sensitively.
      {{u"AfxFrameOrView140uX", u"AfxFrameOrView140", u"afxframeorview140u"}, {H(1), H(2)}, 0},
  };
  for (const auto& c : cases) {
    FakeWindows windows;
    WindowHandle parent = windows.add(u"a - Brikolan");
    windows.add(u"b - Brikolan");
    for (const auto& name : c.classes) parent = windows.add(name, parent);
    EXPECT_EQ(windows.search(), c.found);
    const auto& lines = windows.console.lines;
    EXPECT_EQ(lines.size(), (c.found.back() == H(2) ? 2 : 1) + 2 * c.views);
    EXPECT_TRUE(c.found.back() == H(2) || lines.back() == pointerText(c.found.back()));
    for (const Request& r : windows.requests) EXPECT_TRUE(r == (Request{200, 0}) || r.second != 0);
  }
  // A main window and its view; two main windows and the second's view.
  EXPECT_EQ((Handles{pickDialogOwner({}), pickDialogOwner({H(1)}), pickDialogOwner({H(1), H(2)}),
                     pickDialogOwner({H(1), H(2), H(3)})}),
            (Handles{nullptr, H(1), H(1), H(2)}));
  EXPECT_EQ(pointerText(std::uintptr_t{0xABCDEF}) + pointerText(~std::uintptr_t{0}),
            "0000000000ABCDEFFFFFFFFFFFFFFFFF");
}

}  // namespace
}  // namespace orvax
