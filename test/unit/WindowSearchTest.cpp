#include <gtest/gtest.h>

#include "HostSubstitutes.h"
#include "WideText.h"
#include "portable/Console.h"
#include "portable/WindowSearch.h"

namespace orvax {
namespace {

using test::FakeWindows;
using test::W;
using Handles = std::vector<WindowHandle>;

WindowHandle H(std::size_t number) { return FakeWindows::handle(number); }

TEST(WindowSearch, MatchesTitlesBySubstringCaseSensitively) {
  const struct {
    const char16_t* title;
    bool matches;
  } cases[] = {
      {u"Brikolan Pro 2019", true},
      {u"model.skp - Brikolan Pro 2024", true},
      {u"x Brikolan Pro 2020 y", true},
      {u"Brikolan Pro 2024", true},
      {u"brikolan pro 2019", false},
      {u"- BRIKOLAN", false},
      {u"-Brikolan", false},
      {u"Brikolan Pro 2021", false},
      {u"", false},
  };
  for (const auto& c : cases) {
    FakeWindows windows;
    test::RecordingConsole console;
    windows.add(W(c.title));
    const Handles found = findHostWindows(windows, console);
    EXPECT_EQ(found, c.matches ? Handles{H(1)} : Handles{}) << utf16ToUtf8(W(c.title));
    EXPECT_EQ(console.lines.size(), c.matches ? 1u : 0u);
  }
}

TEST(WindowSearch, ReadsTitlesInto256UnitsWithTheTimeOut) {
  FakeWindows windows;
  test::RecordingConsole console;
  // Cut after 255 units: the first title loses the pattern's last unit, the second keeps
  // exactly the pattern at its end.
  windows.add(W(std::u16string(239, u'a') + u"Brikolan Pro 2019"));
  windows.add(W(std::u16string(238, u'a') + u"Brikolan Pro 2019 and more"));
  // A title with an early terminator ends there.
  windows.add(W(std::u16string(u"a\0Brikolan Pro 2019", 19)));
  EXPECT_EQ(findHostWindows(windows, console), Handles{H(2)});
  EXPECT_EQ(console.lines,
            std::vector<std::string>{"w:" + std::string(238, 'a') + "Brikolan Pro 2019"});
  for (const auto& request : windows.titleRequests) {
    EXPECT_EQ(request, std::make_pair(std::size_t{256}, std::uint32_t{1000}));
  }
}

TEST(WindowSearch, SkipsNullWindowsOtherProcessesAndSilentWindows) {
  FakeWindows windows;
  test::RecordingConsole console;
  windows.nullFirst = true;
  windows.add(W(u"Brikolan Pro 2019"), 7);
  windows.add(W(u"Brikolan Pro 2019"), FakeWindows::kOwnProcess, false);
  windows.add(W(u"Brikolan Pro 2020"));
  EXPECT_EQ(findHostWindows(windows, console), Handles{H(3)});
  EXPECT_EQ(windows.titleRequests.size(), 2u);  // never asked of another process's window
}

TEST(WindowSearch, ViewClassesStopOrGoOn) {
  const struct {
    std::vector<std::u16string> classes;  // descendants of the first main window, in order
    Handles found;                        // main windows are 1 and 2; descendants from 3
    std::size_t viewLines;
  } cases[] = {
      {{}, {H(1), H(2)}, 0},
      {{u"Other", u"AfxFrameOrView140u", u"Other"}, {H(1), H(4)}, 1},
      {{u"AfxFrameOrView140u", u"AfxFrameOrView140u"}, {H(1), H(3)}, 1},
      {{u"Other", u"Qt5155QWindowIcon"}, {H(1), H(4)}, 1},
      // A later descendant of any class clears it again.
      {{u"Qt5155QWindowIcon", u"Other"}, {H(1), H(2)}, 1},
      {{u"Qt5155QWindowIcon", u"Qt5155QWindowIcon"}, {H(1), H(4)}, 2},
      {{u"Qt5155QWindowIcon", u"AfxFrameOrView140u", u"Other"}, {H(1), H(4)}, 2},
      // Compared whole and case-sensitively.
      {{u"AfxFrameOrView140uX", u"AfxFrameOrView140", u"afxframeorview140u"}, {H(1), H(2)}, 0},
  };
  for (const auto& c : cases) {
    FakeWindows windows;
    test::RecordingConsole console;
    const WindowHandle first = windows.add(W(u"a - Brikolan"));
    windows.add(W(u"b - Brikolan"));
    for (const auto& name : c.classes) windows.addChild(first, W(name));
    EXPECT_EQ(findHostWindows(windows, console), c.found);
    EXPECT_EQ(console.lines.size(), (c.found.back() == H(2) ? 2 : 1) + 2 * c.viewLines);
    for (std::size_t capacity : windows.classCapacities) EXPECT_EQ(capacity, 200u);
  }
}

TEST(WindowSearch, ViewAmongDeeperDescendantsEndsTheWholeSearch) {
  FakeWindows windows;
  test::RecordingConsole console;
  const WindowHandle main = windows.add(W(u"Brikolan Pro 2024"));
  const WindowHandle frame = windows.addChild(main, W(u"Frame"));
  const WindowHandle view = windows.addChild(frame, W(u"AfxFrameOrView140u"));
  windows.add(W(u"Brikolan Pro 2019"));
  EXPECT_EQ(findHostWindows(windows, console), (Handles{main, view}));
  EXPECT_EQ(console.lines, (std::vector<std::string>{"w:Brikolan Pro 2024", "w:AfxFrameOrView140u",
                                                     pointerText(view)}));
}

TEST(WindowSearch, PickDialogOwnerForEveryListShape) {
  EXPECT_EQ(pickDialogOwner({}), nullptr);
  EXPECT_EQ(pickDialogOwner({H(1)}), H(1));
  EXPECT_EQ(pickDialogOwner({H(1), H(2)}), H(1));        // main window and its view
  EXPECT_EQ(pickDialogOwner({H(1), H(2), H(3)}), H(2));  // two main windows, the view of the second
}

TEST(PointerText, SixteenUpperCaseDigitsNoPrefix) {
  EXPECT_EQ(pointerText(std::uintptr_t{0}), "0000000000000000");
  EXPECT_EQ(pointerText(std::uintptr_t{0xABCDEF}), "0000000000ABCDEF");
  EXPECT_EQ(pointerText(reinterpret_cast<const void*>(0x7FFE12345678)), "00007FFE12345678");
  EXPECT_EQ(pointerText(~std::uintptr_t{0}), "FFFFFFFFFFFFFFFF");
}

}  // namespace
}  // namespace orvax
