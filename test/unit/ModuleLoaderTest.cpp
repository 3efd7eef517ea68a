#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "FixtureEngine.h"
#include "platform/Platform.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/LoadFlags.h"
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace orvax::platform {
namespace {

namespace fs = std::filesystem;
using test::fixtureEngine;
using test::wide;

constexpr auto kEngineDependencies = DependencySearch::libraryDirectoryAndDefaults;
constexpr const char* kFileName = "BrikolanHook.dll";

// The system's own lookup, to compare against.
void* systemExport(ModuleHandle module, const char* name) {
#ifdef _WIN32
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
#else
  return dlsym(module, name);
#endif
}

void* tableAsTheLibrarySeesIt(ModuleHandle module) {
  using Query = void* (*)();
  auto* query = reinterpret_cast<Query>(systemExport(module, "fixtureEntryTable"));
  return query ? query() : nullptr;
}

// Loads, finds by file name, looks up exports and unloads one copy of the library.
void exerciseEngineLibrary(const fs::path& path) {
  ModuleLoader& loader = moduleLoader();
  ASSERT_EQ(loader.findLoaded(kFileName), nullptr) << "an earlier test left the library loaded";

  ModuleHandle module = loader.load(wide(path), kEngineDependencies);
  ASSERT_NE(module, nullptr) << path;
  EXPECT_EQ(loader.findLoaded(kFileName), module);

  void* table = loader.findExport(module, "myEntryPoint");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table, systemExport(module, "myEntryPoint"));
  EXPECT_EQ(table, tableAsTheLibrarySeesIt(module));

  // Look-alike names are other exports or none, never the table.
  for (const char* name : {"myEntryPointX", "MYENTRYPOINT", "myEntry"}) {
    EXPECT_EQ(loader.findExport(module, name), systemExport(module, name)) << name;
    EXPECT_NE(loader.findExport(module, name), table) << name;
  }
  EXPECT_EQ(loader.findExport(module, "myentrypoint"), nullptr);
  EXPECT_EQ(loader.findExport(module, "myEntryPoin"), nullptr);
  // Only the library's own exports count, not those of what it links against.
  EXPECT_EQ(loader.findExport(module, "malloc"), nullptr);

  // Finding it took no reference: one free unloads it.
  EXPECT_TRUE(loader.free(module));
  EXPECT_EQ(loader.findLoaded(kFileName), nullptr);
}

TEST(ModuleLoader, LoadsFindsAndFreesTheEngineLibrary) { exerciseEngineLibrary(fixtureEngine()); }

#ifdef _WIN32
TEST(ModuleLoader, EngineDependenciesAreSearchedInTheLibraryDirectoryThenTheDefaultOnes) {
  EXPECT_EQ(win32::loadLibraryFlags(kEngineDependencies), 0x1100u);
}
#endif

TEST(ModuleLoader, FindsTheLibraryByFileNameWhereverItWasLoadedFrom) {
#ifdef _WIN32
  const auto process = std::to_string(GetCurrentProcessId());
#else
  const auto process = std::to_string(getpid());
#endif
  const fs::path root = fs::temp_directory_path() / ("orvax-loader-" + process);
  const fs::path directory = root / fs::path(u"D\u00E9j\u00E0 vu \u20AC \U0001F600");
  fs::create_directories(directory);
  fs::copy_file(fixtureEngine(), directory / kFileName, fs::copy_options::overwrite_existing);
  exerciseEngineLibrary(directory / kFileName);
  fs::remove_all(root);
}

TEST(ModuleLoader, RefusesWhatIsNotThere) {
  ModuleLoader& loader = moduleLoader();
  const fs::path missing = fixtureEngine().parent_path() / "NoSuchLibrary.dll";
  EXPECT_EQ(loader.load(wide(missing), kEngineDependencies), nullptr);
  EXPECT_EQ(loader.findLoaded("NoSuchLibrary.dll"), nullptr);
  EXPECT_EQ(loader.findLoaded(nullptr), nullptr);
  EXPECT_EQ(loader.findExport(nullptr, "myEntryPoint"), nullptr);
  EXPECT_FALSE(loader.free(nullptr));
}

// Loads and unloads by the system's own calls, as other code in the process would.
ModuleHandle systemLoad(const fs::path& path) {
#ifdef _WIN32
  return LoadLibraryW(path.wstring().c_str());
#else
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
}
void systemFree(ModuleHandle module) {
#ifdef _WIN32
  FreeLibrary(static_cast<HMODULE>(module));
#else
  dlclose(module);
#endif
}

TEST(ModuleLoader, ModuleListVersionChangesWithEveryLoadAndUnloadOnly) {
  ModuleLoader& loader = moduleLoader();
  const std::uint64_t idle = loader.moduleListVersion();
  ASSERT_NE(idle, 0u) << "this system cannot tell when libraries come and go";
  EXPECT_EQ(loader.findLoaded(kFileName), nullptr);
  EXPECT_EQ(loader.moduleListVersion(), idle);

  ModuleHandle module = systemLoad(fixtureEngine());
  ASSERT_NE(module, nullptr);
  const std::uint64_t loaded = loader.moduleListVersion();
  EXPECT_NE(loaded, idle);
  // Looking and taking more references to what is loaded change nothing.
  EXPECT_NE(loader.findExport(loader.findLoaded(kFileName), "myEntryPoint"), nullptr);
  ModuleHandle again = systemLoad(fixtureEngine());
  EXPECT_EQ(again, module);
  systemFree(again);
  EXPECT_EQ(loader.moduleListVersion(), loaded);

  systemFree(module);
  const std::uint64_t unloaded = loader.moduleListVersion();
  EXPECT_NE(unloaded, loaded);
  EXPECT_NE(unloaded, idle);
  EXPECT_EQ(loader.findLoaded(kFileName), nullptr);
}

TEST(ModuleLoader, SelfModulePathIsTheWholePathOfTheModuleHoldingTheCode) {
  // The adapter is linked into this program, so that is the module.
  const WideString self = moduleLoader().selfModulePath();
  ASSERT_FALSE(self.empty());
#ifdef _WIN32
  std::wstring expected(32768, L'\0');
  expected.resize(GetModuleFileNameW(nullptr, expected.data(), 32768));
  EXPECT_EQ(self, expected);
#else
  const fs::path path(utf16ToUtf8(self));
  EXPECT_TRUE(path.is_absolute()) << path;
  EXPECT_TRUE(fs::equivalent(path, "/proc/self/exe")) << path;
#endif
}

}  // namespace
}  // namespace orvax::platform
