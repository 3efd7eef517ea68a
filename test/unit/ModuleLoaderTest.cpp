#include <gtest/gtest.h>

#include "HostSubstitutes.h"
#include "platform/Platform.h"

#ifdef _WIN32
#include <windows.h>

#include <algorithm>

#include "platform/win32/GrowingRead.h"
#include "platform/win32/LoadFlags.h"
#else
#include <dlfcn.h>
#endif

namespace orvax::platform {
namespace {

namespace fs = std::filesystem;
constexpr auto kEngineDependencies = DependencySearch::libraryDirectoryAndDefaults;
constexpr const char* kFileName = "BrikolanHook.dll";

#ifdef _WIN32
// Built on the host, run under wine: the host's root is drive Z:.
const fs::path kFixture = fs::path("Z:" + std::string(ORVAX_FIXTURE_ENGINE)).make_preferred();
WideString wide(const fs::path& path) { return path.wstring(); }
void* systemExport(ModuleHandle module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
#else
const fs::path kFixture = ORVAX_FIXTURE_ENGINE;
WideString wide(const fs::path& path) { return test::W(path.u16string()); }
void* systemExport(ModuleHandle module, const char* name) { return dlsym(module, name); }
#endif

// Loads, finds by file name, looks up exports and unloads one copy of the library; the
// module list's version changes with each load and unload, and only then.
void exerciseEngineLibrary(const fs::path& path) {
  ModuleLoader& loader = moduleLoader();
  ASSERT_EQ(loader.findLoaded(kFileName), nullptr) << "an earlier test left the library loaded";
  const std::uint64_t idle = loader.moduleListVersion();
  ASSERT_NE(idle, 0u) << "this system cannot tell when libraries come and go";
  const ModuleHandle module = loader.load(wide(path), kEngineDependencies);
  ASSERT_NE(module, nullptr) << path;
  const std::uint64_t loaded = loader.moduleListVersion();
  EXPECT_NE(loaded, idle);
  EXPECT_EQ(loader.findLoaded(kFileName), module);
  void* table = loader.findExport(module, "myEntryPoint");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table, systemExport(module, "myEntryPoint"));
  EXPECT_EQ(table, reinterpret_cast<void* (*)()>(systemExport(module, "fixtureEntryTable"))());
  // Look-alike names are other exports or none, never the table.
  for (const char* name : {"myEntryPointX", "MYENTRYPOINT", "myEntry", "myentrypoint"}) {
    EXPECT_EQ(loader.findExport(module, name), systemExport(module, name)) << name;
    EXPECT_NE(loader.findExport(module, name), table) << name;
  }
  // Only the library's own exports count, not those of what it links against.
  EXPECT_EQ(loader.findExport(module, "malloc"), nullptr);
  // Finding took no reference, nor does a further load change the list.
  EXPECT_TRUE(loader.free(loader.load(wide(path), kEngineDependencies)));
  EXPECT_EQ(loader.moduleListVersion(), loaded);
  EXPECT_TRUE(loader.free(module));
  EXPECT_EQ(loader.findLoaded(kFileName), nullptr);
  EXPECT_NE(loader.moduleListVersion(), loaded);
  EXPECT_NE(loader.moduleListVersion(), idle);
}

TEST(ModuleLoader, LoadsFindsAndFreesTheEngineLibraryWhereverItLies) {
#ifdef _WIN32
  EXPECT_EQ(win32::loadLibraryFlags(kEngineDependencies), 0x1100u);
#endif
  exerciseEngineLibrary(kFixture);
  test::TemporaryDirectory root;  // and through a name outside any code page
  const fs::path directory = root.path / fs::path(u"D\u00E9j\u00E0 vu \u20AC \U0001F600");
  fs::create_directories(directory);
  fs::copy_file(kFixture, directory / kFileName);
  exerciseEngineLibrary(directory / kFileName);
  EXPECT_EQ(moduleLoader().load(wide(root.path / "None.dll"), kEngineDependencies), nullptr);
  EXPECT_EQ(moduleLoader().findLoaded("None.dll"), nullptr);
  EXPECT_EQ(moduleLoader().findLoaded(nullptr), nullptr);
  EXPECT_EQ(moduleLoader().findExport(nullptr, "myEntryPoint"), nullptr);
  EXPECT_FALSE(moduleLoader().free(nullptr));
}

TEST(ModuleLoader, SelfModulePathIsTheWholePathOfTheModuleHoldingTheCode) {
  const WideString self = moduleLoader().selfModulePath();  // the adapter is in this program
#ifdef _WIN32
  std::wstring expected(32768, L'\0');
  expected.resize(GetModuleFileNameW(nullptr, expected.data(), 32768));
  EXPECT_EQ(self, expected);
#else
  EXPECT_TRUE(fs::equivalent(utf16ToUtf8(self), "/proc/self/exe")) << utf16ToUtf8(self);
#endif
}

#ifdef _WIN32
// As GetModuleFileNameW answers: the text cut to fit, still terminated, and the capacity as
// result when it did not fit.
TEST(ReadGrowing, ReturnsTheWholeTextHoweverLongAndNothingWhenItNeverFits) {
  for (std::size_t length : {1u, 259u, 260u, 261u, 32767u}) {
    const std::wstring text = L"C" + std::wstring(length - 1, L'x');
    EXPECT_EQ(win32::readGrowing<wchar_t>([&](wchar_t* buffer, std::uint32_t capacity) {
                buffer[text.copy(buffer, capacity - 1)] = L'\0';
                return std::min<std::size_t>(text.size(), capacity);
              }),
              text);
  }
  int calls = 0;
  const auto neverFits = [&](wchar_t*, std::uint32_t capacity) { return ++calls, capacity; };
  EXPECT_EQ(win32::readGrowing<wchar_t>(neverFits), L"");
  EXPECT_LT(calls, 20);
  EXPECT_EQ(win32::readGrowing<wchar_t>([](wchar_t*, std::uint32_t) { return 0; }), L"");
}
#endif

}  // namespace
}  // namespace orvax::platform
