// The platform adapters against the real system; on posix a sysfs tree and a zenity of our own.
#include <gtest/gtest.h>

#include <cstring>

#include "HostSubstitutes.h"
#include "platform/FileDialog.h"
#include "platform/MediaService.h"
#include "platform/MemoryReader.h"
#include "platform/Platform.h"
#include "portable/DeviceId.h"
#include "portable/MemoryScan.h"

#ifdef _WIN32
#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <thread>

#include "platform/win32/GrowingRead.h"
#include "platform/win32/LoadFlags.h"
#else
#include <dlfcn.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/posix/SysfsMedia.h"
#endif

namespace orvax::platform {
namespace {

using namespace std::string_literals;
constexpr std::size_t kPage = 4096;
constexpr auto kEngineDependencies = DependencySearch::libraryDirectoryAndDefaults;
constexpr const char* kFileName = "BrikolanHook.dll";

#ifdef _WIN32
// Built on the host, run under wine: the host's root is drive Z:.
const WideString kFixture =
    std::filesystem::path("Z:" + std::string(ORVAX_FIXTURE_ENGINE)).make_preferred().wstring();
void* systemExport(ModuleHandle module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
#else
const WideString kFixture = test::W(std::filesystem::path(ORVAX_FIXTURE_ENGINE).u16string());
void* systemExport(ModuleHandle module, const char* name) { return dlsym(module, name); }
#endif

// Loads, finds by file name, looks up exports and unloads the library; the module list's
// version changes with each load and unload, and only then.
TEST(ModuleLoader, LoadsFindsAndFreesTheEngineLibrary) {
#ifdef _WIN32
  EXPECT_EQ(win32::loadLibraryFlags(kEngineDependencies), 0x1100u);
#endif
  ModuleLoader& loader = moduleLoader();
  ASSERT_EQ(loader.findLoaded(kFileName), nullptr) << "an earlier test left the library loaded";
  const std::uint64_t idle = loader.moduleListVersion();
  ASSERT_NE(idle, 0u) << "this system cannot tell when libraries come and go";
  const ModuleHandle module = loader.load(kFixture, kEngineDependencies);
  ASSERT_NE(module, nullptr) << utf16ToUtf8(kFixture);
  const std::uint64_t loaded = loader.moduleListVersion();
  EXPECT_NE(loaded, idle);
  EXPECT_EQ(loader.findLoaded(kFileName), module);
  void* table = loader.findExport(module, "myEntryPoint");
  ASSERT_EQ(table, systemExport(module, "myEntryPoint"));
  // Look-alikes are other exports, never the table; those of what it links against none.
  EXPECT_EQ(loader.findExport(module, "malloc"), nullptr);
  for (const char* name : {"myEntryPointX", "MYENTRYPOINT", "myEntry", "myentrypoint"}) {
    EXPECT_EQ(loader.findExport(module, name), systemExport(module, name)) << name;
    EXPECT_NE(loader.findExport(module, name), table) << name;
  }
  // Finding took no reference, nor does a further load change the list.
  EXPECT_TRUE(loader.free(loader.load(kFixture, kEngineDependencies)));
  EXPECT_EQ(loader.moduleListVersion(), loaded);
  EXPECT_TRUE(loader.free(module));
  EXPECT_EQ(loader.findLoaded(kFileName), nullptr);
  EXPECT_NE(loader.moduleListVersion(), loaded);
  EXPECT_NE(loader.moduleListVersion(), idle);
  EXPECT_EQ(loader.findLoaded(nullptr), nullptr);
  EXPECT_EQ(loader.findExport(nullptr, "myEntryPoint"), nullptr);
  EXPECT_FALSE(loader.free(nullptr));
}

#ifdef _WIN32
// As GetModuleFileNameW answers: the text cut to fit, still terminated, and the capacity as
// result when it did not fit.
TEST(ReadGrowing, ReturnsTheWholeTextHoweverLongAndNothingWhenItNeverFits) {
  for (std::size_t length : {1u, 259u, 260u, 261u, 32767u}) {
    const std::wstring text = L"C" + std::wstring(length - 1, L'x');
    const auto answer = [&](wchar_t* buffer, std::uint32_t capacity) {
      buffer[text.copy(buffer, capacity - 1)] = L'\0';
      return std::min<std::size_t>(text.size(), capacity);
    };
    EXPECT_EQ(win32::readGrowing<wchar_t>(answer), text);
  }
  int calls = 0;
  const auto neverFits = [&](wchar_t*, std::uint32_t capacity) { return ++calls, capacity; };
  EXPECT_EQ(win32::readGrowing<wchar_t>(neverFits), L"");
  EXPECT_LT(calls, 20);
}
#endif

TEST(Console, WritesNarrowAndWideLinesInOrderOnOneStream) {
  testing::internal::CaptureStdout();
  consoleLine("Start QPE");
  consoleWideLine(test::W(u"C:\\D\u00E9j\u00E0\\\U0001F600\\BrikolanHook.dll"));
  consoleLine("a\0b"s);
  consoleLine("");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Start QPE\nC:\\D\xC3\xA9j\xC3\xA0\\\xF0\x9F\x98\x80\\BrikolanHook.dll\na\0b\n\n"s);
}

TEST(OwnMemory, DescribesAndReadsARegionOfItsOwnUntilItIsGone) {
  // Inaccessible, read-write with the pattern, read-only: three regions.
#ifdef _WIN32
  auto* base = static_cast<unsigned char*>(
      VirtualAlloc(nullptr, 3 * kPage, MEM_COMMIT | MEM_RESERVE, PAGE_NOACCESS));
  DWORD old = 0;
  VirtualProtect(base + kPage, kPage, PAGE_READWRITE, &old);
  VirtualProtect(base + 2 * kPage, kPage, PAGE_READONLY, &old);
#else
  auto* base = static_cast<unsigned char*>(
      mmap(nullptr, 3 * kPage, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  mprotect(base + kPage, kPage, PROT_READ | PROT_WRITE);
  mprotect(base + 2 * kPage, kPage, PROT_READ);
#endif
  std::memcpy(base + kPage + 4031, kScanPattern, kPatternSize);
  const auto address = reinterpret_cast<std::uintptr_t>(base + kPage);
  auto memory = openOwnMemory();
  ASSERT_NE(memory, nullptr);
  MemoryRegion region;
  for (std::uintptr_t other : {address - 1, address + kPage}) {
    ASSERT_TRUE(memory->describe(other, region));
    EXPECT_FALSE(region.readWrite);
    EXPECT_TRUE(other < address || region.committed);
  }
  ASSERT_TRUE(memory->describe(address, region));
  EXPECT_EQ(std::tie(region.base, region.size, region.committed, region.readWrite),
            std::make_tuple(address, kPage, true, true));
  EXPECT_EQ(findPatternInRegion(*memory, region), 4031u);
#ifdef _WIN32
  VirtualFree(base, 0, MEM_RELEASE);
  // wine reads its own process through page protections, freed pages included.
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) return;
#else
  munmap(base, 3 * kPage);
#endif
  unsigned char bytes[8];
  EXPECT_EQ(memory->read(address, bytes, 8), 0u);
}

#ifdef _WIN32
// Each case on a fresh thread, so that its COM state cannot leak into the next.
TEST(WmiMedia, AnswersWithComLeavingItAsItWasAndIsUnreachableWithoutIt) {
  std::thread([] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    int media = 0;
    EXPECT_TRUE(mediaService().forEachMedium([&](const auto&) { ++media; }));
    EXPECT_NE(deviceId(mediaService()), media > 0 ? "unknown" : "");    // the system disk has one
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);  // only counted up
    CoUninitialize();
    CoUninitialize();
  }).join();
  std::thread([] {
    EXPECT_EQ(deviceId(mediaService()), "");
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);  // not done by the lookup
    CoUninitialize();
  }).join();
}
#else
TEST(SysfsMedia, ListsBlockDevicesInNameOrderOnceThereIsABlockDirectory) {
  test::TemporaryDirectory root;
  auto media = posix::sysfsMedia(root.path.string());
  std::vector<std::optional<WideString> > found;
  const auto visit = [&](const std::optional<WideString>& serial) { found.push_back(serial); };
  EXPECT_FALSE(media->forEachMedium(visit));
  // A serial is decoded as UTF-8 when it is UTF-8, else taken one unit a byte.
  for (const auto& [device, serial] : std::initializer_list<std::pair<const char*, const char*> >{
           {"vdb", "B2\n"},
           {"sda/device", "  S3R 1  \n"},
           {"loop0", nullptr},
           {"nvme0n1/device", "\xC3\xA9\xF0\x9F\x98\x80"},
           {"nvme1n1", "\xE9\xF0\x9F\x98"}}) {
    std::filesystem::create_directories(root.path / "block" / device);
    if (serial) std::ofstream(root.path / "block" / device / "serial") << serial;
  }
  EXPECT_TRUE(media->forEachMedium(visit));
  EXPECT_EQ(found, (decltype(found){std::nullopt, test::W(u"\u00E9\U0001F600"),
                                    test::W(u"\u00E9\u00F0\u009F\u0098"), test::W(u"  S3R 1  "),
                                    test::W(u"B2")}));
}

TEST(ZenityDialog, ShowsTheFilterRowsAndTakesThePrintedPaths) {
  test::TemporaryDirectory directory;
  const std::string dir = directory.path.string(), path = std::getenv("PATH");
  // Records its arguments one per line, prints two paths and some noise on its error stream.
  std::ofstream(dir + "/zenity") << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << dir << "/arguments'\n"
                                 << "printf '/scans/a b.e57\\n/scans/d\\303\\251.las\\n'\n"
                                 << "echo noise >&2\n";
  chmod((dir + "/zenity").c_str(), 0755);
  setenv("PATH", dir.c_str(), 1);
  testing::internal::CaptureStderr();
  const std::vector<std::string> paths = fileDialog().choose(openDialogSettings(nullptr));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(paths, (std::vector<std::string>{"/scans/a b.e57", "/scans/d\xC3\xA9.las"}));
  std::ifstream arguments(dir + "/arguments");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(arguments), {}),
            "--file-selection\n--multiple\n--separator=\n\n"
            "--file-filter=All 3D file formats | *.hjp *.e57 *.las *.laz *.qsd *.ply\n"
            "--file-filter=HJP Files (*.hjp) | *.hjp\n"
            "--file-filter=E57 Files (*.e57) | *.e57\n"
            "--file-filter=LAS LAZ Files (*.las;*.laz) | *.las *.laz\n"
            "--file-filter=QSD Files (*.qsd) | *.qsd\n"
            "--file-filter=PLY Files (*.ply) | *.ply\n");
}

TEST(Sleep, BlocksAtLeastTheTimeAskedThoughSignalsArrive) {
  struct sigaction action = {}, previous = {};
  action.sa_handler = [](int) {};  // no SA_RESTART: the signal interrupts the sleep
  ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
  itimerval timer{{0, 10000}, {0, 10000}};
  ASSERT_EQ(setitimer(ITIMER_REAL, &timer, nullptr), 0);
  const auto start = std::chrono::steady_clock::now();
  sleepMilliseconds(100);
  const auto slept = std::chrono::steady_clock::now() - start;
  timer = {};
  setitimer(ITIMER_REAL, &timer, nullptr);
  sigaction(SIGALRM, &previous, nullptr);
  EXPECT_GE(slept, std::chrono::milliseconds(100));
}
#endif

}  // namespace
}  // namespace orvax::platform
