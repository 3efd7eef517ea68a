// The window search and the open dialog against real windows on a virtual display.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <future>
#include <thread>

#include "HostSubstitutes.h"
#include "platform/FileDialog.h"
#include "platform/win32/OpenFileRequest.h"
#include "portable/Console.h"
#include "portable/WindowSearch.h"

namespace orvax::platform {
namespace {

using Handles = std::vector<WindowHandle>;

// A main window with the title `text`, or a child of `parent` whose class is `text`.
HWND createWindow(const std::wstring& text, HWND parent = nullptr) {
  const std::wstring name = parent ? text : L"OrvaxTestMain";
  const HINSTANCE self = GetModuleHandleW(nullptr);
  const WNDCLASSW windowClass{0, DefWindowProcW, 0, 0, self, {}, {}, {}, {}, name.c_str()};
  RegisterClassW(&windowClass);  // refused harmlessly once registered
  return CreateWindowExW(0, name.c_str(), parent ? L"" : text.c_str(),
                         parent ? WS_CHILD : WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, parent, nullptr,
                         self, nullptr);
}

Handles search(test::RecordingConsole&& console = {}) {
  return findHostWindows(windowSystem(), console);
}

TEST(Win32Windows, ReadsTheWindowsAndFindsTheHostWindowAndItsView) {
  HWND other = createWindow(std::wstring(300, L'a'));
  HWND main = createWindow(L"scan.skp - Brikolan Pro 2024");
  HWND frame = createWindow(L"Frame", main);
  HWND view = createWindow(L"AfxFrameOrView140u", frame);
  WindowSystem& system = windowSystem();
  EXPECT_EQ(system.title(other, 256, 1000), std::wstring(255, L'a'));
  EXPECT_EQ(system.className(view, 5), L"AfxF");
  test::RecordingConsole console;
  EXPECT_EQ(findHostWindows(system, console), (Handles{main, view}));
  EXPECT_EQ(console.lines, (std::vector<std::string>{"w:scan.skp - Brikolan Pro 2024",
                                                     "w:AfxFrameOrView140u", pointerText(view)}));
  DestroyWindow(other);
  DestroyWindow(main);  // with its descendants
}

// The desktop window is another process's. A window whose thread is busy does not answer the
// title request.
TEST(Win32Windows, TellsOtherProcessesWindowsApartAndSkipsWindowsThatDoNotAnswer) {
  EXPECT_NE(windowSystem().ownerProcess(GetDesktopWindow()), GetCurrentProcessId());
  std::promise<void> created;
  std::thread busy([&] {
    HWND window = createWindow(L"Brikolan Pro 2019 busy");
    created.set_value();
    Sleep(2500);  // no messages handled meanwhile
    DestroyWindow(window);
  });
  created.get_future().wait();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(search(), Handles{});
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
  busy.join();
}

// Waits for the open dialog (the display is this program's own), types `fileNames` into its
// file name box (cmb13, or edt1 in older layouts) and presses `button`; tells its owner.
void answerDialog(const wchar_t* fileNames, int button, HWND* owner) {
  HWND dialog = nullptr;
  for (int i = 0; i < 400 && !(dialog && IsWindowVisible(dialog)); ++i, Sleep(50)) {
    dialog = FindWindowW(L"#32770", nullptr);
  }
  *owner = GetWindow(dialog, GW_OWNER);
  if (!SetDlgItemTextW(dialog, 0x47C, fileNames)) SetDlgItemTextW(dialog, 0x480, fileNames);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

TEST(Win32Dialog, ReturnsTheChosenFilesAndNothingWhenCancelled) {
  test::TemporaryDirectory directory;
  for (const wchar_t* name : {L"a.e57", L"d\u00E9j\u00E0.las"})
    std::ofstream(directory.path / name) << "x";
  const auto saved = std::filesystem::current_path();
  std::filesystem::current_path(directory.path);  // where the dialog opens
  const std::wstring base = directory.path.wstring() + L"\\";
  HWND host = createWindow(L"x - Brikolan"), owner = nullptr;
  std::thread confirm(answerDialog, L"\"a.e57\" \"d\u00E9j\u00E0.las\"", IDOK, &owner);
  std::vector<std::string> paths =
      fileDialog().choose(openDialogSettings(pickDialogOwner(search())));
  confirm.join();
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths, (std::vector<std::string>{win32::systemUtf8(base + L"a.e57"),
                                             win32::systemUtf8(base + L"d\u00E9j\u00E0.las")}));
  EXPECT_EQ(owner, host);
  std::thread cancel(answerDialog, L"a.e57", IDCANCEL, &owner);
  EXPECT_EQ(fileDialog().choose(openDialogSettings(nullptr)), std::vector<std::string>{});
  cancel.join();
  EXPECT_EQ(owner, nullptr);
  DestroyWindow(host);
  std::filesystem::current_path(saved);
  // The system's conversion joins pairs and replaces a lone surrogate.
  EXPECT_EQ(win32::systemUtf8({L'a', wchar_t(0xD83D), wchar_t(0xDE00), wchar_t(0xD800)}),
            "a\xF0\x9F\x98\x80\xEF\xBF\xBD");
}

}  // namespace
}  // namespace orvax::platform
