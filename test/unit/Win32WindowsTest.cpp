// The window search and the open dialog against real windows on a virtual display. The
// program is also its own second process: started with --own-window TITLE it shows a
// window with that title until it is told to go.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "HostSubstitutes.h"
#include "platform/FileDialog.h"
#include "platform/win32/OpenFileRequest.h"
#include "portable/Console.h"
#include "portable/WindowSearch.h"

namespace orvax::platform {
namespace {

using Handles = std::vector<WindowHandle>;

const wchar_t* registerClass(const wchar_t* name) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = name;
  RegisterClassW(&windowClass);
  return name;
}

HWND mainWindow(const std::wstring& title) {
  static const wchar_t* name = registerClass(L"OrvaxTestMain");
  return CreateWindowExW(0, name, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
}

HWND childWindow(HWND parent, const wchar_t* className) {
  registerClass(className);
  return CreateWindowExW(0, className, L"", WS_CHILD, 0, 0, 10, 10, parent, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

// Windows made by one test, destroyed at its end.
class Windows {
 public:
  HWND main(const std::wstring& title) { return keep(mainWindow(title)); }
  HWND child(HWND parent, const wchar_t* className) { return keep(childWindow(parent, className)); }
  ~Windows() {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) DestroyWindow(*it);
  }

 private:
  HWND keep(HWND window) {
    EXPECT_NE(window, nullptr);
    made_.push_back(window);
    return window;
  }
  std::vector<HWND> made_;
};

Handles search(std::vector<std::string>* lines = nullptr) {
  test::RecordingConsole console;
  Handles found = findHostWindows(windowSystem(), console);
  if (lines) *lines = console.lines;
  return found;
}

// Our top-level windows in the system's order.
Handles ourTopLevel(const Handles& among) {
  Handles order;
  windowSystem().forEachTopLevel([&](WindowHandle w) {
    if (std::find(among.begin(), among.end(), w) != among.end()) order.push_back(w);
    return true;
  });
  return order;
}

TEST(Win32Windows, ReadsTitlesClassesOwnersAndDescendants) {
  Windows made;
  HWND main = made.main(std::wstring(300, L'a'));
  HWND frame = made.child(main, L"Frame");
  HWND view = made.child(frame, L"AfxFrameOrView140u");
  WindowSystem& system = windowSystem();
  EXPECT_EQ(system.ownerProcess(main), GetCurrentProcessId());
  EXPECT_EQ(system.title(main, 256, 1000), std::wstring(255, L'a'));
  EXPECT_EQ(system.className(view, 200), L"AfxFrameOrView140u");
  EXPECT_EQ(system.className(view, 5), L"AfxF");
  Handles descendants;
  system.forEachDescendant(main, [&](WindowHandle w) {
    descendants.push_back(w);
    return true;
  });
  EXPECT_EQ(descendants, (Handles{frame, view}));
}

TEST(Win32Windows, FindsMainWindowsByTitleAndTheViewUnderThem) {
  Windows made;
  HWND exact = made.main(L"Brikolan Pro 2019");
  made.main(L"brikolan pro 2019");
  HWND third = made.main(L"scan.skp - Brikolan Pro 2024");
  std::vector<std::string> lines;
  Handles found = search(&lines);
  EXPECT_EQ(found, ourTopLevel({exact, third}));
  EXPECT_EQ(lines.size(), 2u);

  // A view window ends the search at its main window.
  HWND view = made.child(third, L"AfxFrameOrView140u");
  made.child(third, L"Other");
  found = search(&lines);
  ASSERT_GE(found.size(), 2u);
  EXPECT_EQ(found.back(), view);
  EXPECT_EQ(found[found.size() - 2], third);
  EXPECT_EQ(pickDialogOwner(found), third);
  EXPECT_EQ(lines.back(), pointerText(view));
}

TEST(Win32Windows, QtViewCountsOnlyAsTheLastDescendant) {
  Windows made;
  HWND main = made.main(L"Brikolan Pro 2020");
  HWND qt = made.child(main, L"Qt5155QWindowIcon");
  EXPECT_EQ(search(), (Handles{main, qt}));
  made.child(main, L"Other");
  EXPECT_EQ(search(), (Handles{main}));
}

TEST(Win32Windows, SkipsWindowsOfOtherProcessesAndWindowsThatDoNotAnswer) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring title = L"Brikolan Pro 2019 elsewhere";
  std::wstring command = L"\"" + std::wstring(self) + L"\" --own-window \"" + title + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION other{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &other));
  HWND foreign = nullptr;
  for (int i = 0; i < 200 && foreign == nullptr; ++i) {
    foreign = FindWindowW(L"OrvaxTestMain", title.c_str());
    if (foreign == nullptr) Sleep(50);
  }
  ASSERT_NE(foreign, nullptr);

  // A window whose thread is busy does not answer the title request.
  HANDLE created = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HWND busy = nullptr;
  std::thread busyThread([&] {
    busy = mainWindow(L"Brikolan Pro 2019 busy");
    SetEvent(created);
    Sleep(2500);  // no messages handled meanwhile
    DestroyWindow(busy);
  });
  WaitForSingleObject(created, INFINITE);
  const auto start = std::chrono::steady_clock::now();
  const Handles found = search();
  const auto waited = std::chrono::steady_clock::now() - start;
  busyThread.join();
  CloseHandle(created);

  EXPECT_EQ(found, Handles{});
  EXPECT_GE(waited, std::chrono::milliseconds(900));
  EXPECT_EQ(windowSystem().ownerProcess(foreign), other.dwProcessId);
  TerminateProcess(other.hProcess, 0);
  CloseHandle(other.hThread);
  CloseHandle(other.hProcess);
}

// ---- the dialog ------------------------------------------------------------------------

// The open dialog of this process once it is shown.
HWND waitForDialog() {
  for (int i = 0; i < 400; ++i) {
    HWND found = nullptr;
    EnumWindows(
        [](HWND w, LPARAM data) {
          DWORD process = 0;
          GetWindowThreadProcessId(w, &process);
          wchar_t name[32] = {};
          GetClassNameW(w, name, 32);
          if (process != GetCurrentProcessId() || std::wstring(name) != L"#32770" ||
              !IsWindowVisible(w)) {
            return TRUE;
          }
          *reinterpret_cast<HWND*>(data) = w;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    if (found) return found;
    Sleep(50);
  }
  return nullptr;
}

constexpr int kFileNameCombo = 0x47C;  // cmb13, the file name box of explorer-style dialogs
constexpr int kFileNameEdit = 0x480;   // edt1, in older layouts

// Types `fileNames` into the dialog and presses `button`; tells which window owned it.
void answerDialog(const wchar_t* fileNames, int button, HWND* owner) {
  HWND dialog = waitForDialog();
  if (dialog == nullptr) return;
  *owner = GetWindow(dialog, GW_OWNER);
  if (fileNames) {
    if (!SetDlgItemTextW(dialog, kFileNameCombo, fileNames)) {
      SetDlgItemTextW(dialog, kFileNameEdit, fileNames);
    }
  }
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

class Win32Dialog : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    directory_ = std::wstring(temp) + L"orvax-dialog-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(directory_.c_str(), nullptr);
    for (const wchar_t* name : {L"a.e57", L"d\u00E9j\u00E0.las"}) {
      std::ofstream((directory_ + L"\\" + name).c_str()) << "x";
    }
    GetCurrentDirectoryW(MAX_PATH, saved_);
    SetCurrentDirectoryW(directory_.c_str());
  }
  void TearDown() override {
    SetCurrentDirectoryW(saved_);
    DeleteFileW((directory_ + L"\\a.e57").c_str());
    DeleteFileW((directory_ + L"\\d\u00E9j\u00E0.las").c_str());
    RemoveDirectoryW(directory_.c_str());
  }
  std::string utf8(const std::wstring& text) { return win32::systemUtf8(text); }

  std::wstring directory_;
  wchar_t saved_[MAX_PATH];
};

TEST_F(Win32Dialog, ReturnsTheChosenFilesAndNothingWhenCancelled) {
  const std::vector<std::string> expected = {utf8(directory_ + L"\\a.e57"),
                                             utf8(directory_ + L"\\d\u00E9j\u00E0.las")};
  // Owned by the host window the search finds, then by none.
  Windows made;
  HWND host = made.main(L"x - Brikolan");
  for (WindowHandle owner : {pickDialogOwner(search()), WindowHandle{}}) {
    HWND seenOwner = reinterpret_cast<HWND>(1);
    std::thread confirm(answerDialog, L"\"a.e57\" \"d\u00E9j\u00E0.las\"", IDOK, &seenOwner);
    std::vector<std::string> paths = fileDialog().choose(openDialogSettings(owner));
    confirm.join();
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, expected);
    EXPECT_EQ(seenOwner, static_cast<HWND>(owner));
  }
  EXPECT_EQ(pickDialogOwner(search()), static_cast<WindowHandle>(host));

  HWND seenOwner = nullptr;
  std::thread cancel(answerDialog, L"a.e57", IDCANCEL, &seenOwner);
  EXPECT_EQ(fileDialog().choose(openDialogSettings(host)), std::vector<std::string>{});
  cancel.join();
}

TEST(Win32DialogRequest, RequestRecordFromTheSettings) {
  const auto owner = reinterpret_cast<WindowHandle>(0x1230);
  const OpenDialogSettings settings = openDialogSettings(owner);
  std::vector<wchar_t> buffer(7, L'x');
  const OPENFILENAMEW request = win32::openFileRequest(settings, buffer);
  EXPECT_EQ(request.lStructSize, 152u);
  EXPECT_EQ(request.hwndOwner, owner);
  EXPECT_EQ(request.lpstrFilter, settings.filter.c_str());
  EXPECT_EQ(request.nFilterIndex, 0u);
  EXPECT_EQ(request.lpstrFile, buffer.data());
  EXPECT_EQ(request.nMaxFile, 100000u);
  EXPECT_EQ(buffer, std::vector<wchar_t>(100000, L'\0'));
  EXPECT_EQ(request.Flags, 0x81204u);
  EXPECT_EQ(std::wstring(request.lpstrDefExt), L"hjp");
  EXPECT_EQ(request.lpstrTitle, nullptr);
  EXPECT_EQ(request.lpstrInitialDir, nullptr);
  EXPECT_EQ(request.lpstrCustomFilter, nullptr);
  EXPECT_EQ(request.lpstrFileTitle, nullptr);
  EXPECT_EQ(request.lpfnHook, nullptr);
  EXPECT_EQ(request.lpTemplateName, nullptr);
  EXPECT_EQ(request.Flags & OFN_ENABLEHOOK, 0u);
}

TEST(Win32DialogRequest, SystemConversionJoinsPairsAndReplacesLoneSurrogates) {
  EXPECT_EQ(win32::systemUtf8(L"C:\\d\u00E9j\u00E0"), "C:\\d\xC3\xA9j\xC3\xA0");
  EXPECT_EQ(win32::systemUtf8(std::wstring{L'a', wchar_t(0xD83D), wchar_t(0xDE00)}),
            "a\xF0\x9F\x98\x80");
  EXPECT_EQ(win32::systemUtf8(std::wstring{L'a', wchar_t(0xD800), L'b'}),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(win32::systemUtf8(L""), "");
}

// Shows a window until the process is ended.
int showOwnWindow(const char* title) {
  mainWindow(std::wstring(title, title + std::strlen(title)));
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}

}  // namespace
}  // namespace orvax::platform

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--own-window") {
    return orvax::platform::showOwnWindow(argv[2]);
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
