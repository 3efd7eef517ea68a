#include "engine/Lifecycle.h"

#include "engine/Binding.h"
#include "engine/MyNativeClass.h"
#include "platform/Platform.h"
#include "portable/LibraryPath.h"

namespace orvax::lifecycle {
namespace {

// The library's dependencies are searched in its own directory and the default ones.
constexpr auto kDependencies = platform::DependencySearch::libraryDirectoryAndDefaults;

platform::ModuleHandle engineModule = nullptr;

// A message during loading; a script that raises in it does not stop the load half way.
// The callback object is looked up for each message: a script may have given the facade
// another one meanwhile, and the previous one may be gone.
void tell(MyNativeClass& facade, const char* message, engine::DeferredErrors& later) {
  try {
    facade.mNativeToRuby->RubyMessageBox(message);
  } catch (const RubyError& error) {
    later.keep(error);
  }
}

WideString libraryPath(platform::ModuleLoader& loader) {
  WideString directory = engineDirectory(loader.selfModulePath());
  platform::consoleWideLine(directory);
  WideString path = engineLibraryPath(directory);
  platform::consoleWideLine(path);
  return path;
}

}  // namespace

bool LoadQPEDll(MyNativeClass& facade, platform::ModuleLoader& loader, bool show, long long version,
                long long major, long long minor) {
  // A script's exception during the engine's callbacks waits until loading has come to
  // a consistent end (initialised, or refused and unloaded).
  engine::DeferredErrors later;
  if (engineModule == nullptr) {
    engineModule = loader.load(libraryPath(loader), kDependencies);
    if (engineModule == nullptr) {
      facade.mNativeToRuby->RubyMessageBox(
          "The current version of the Point Cloud extension is not compatible with this "
          "version of Brikolan\n");
      return false;
    }
    platform::consoleLine("Start QPE");
    if (show) tell(facade, "Extension Loaded", later);
    engine::bindEntryTable(&facade, loader);
    bool accepted = engine::isBound() &&
                    engine::callSlotDeferred<engine::kInitEngine>(later, version, major, minor);
    if (!accepted) {
      tell(facade,
           "Cannot initialize Cloud Workbench. The current version of the extension is not "
           "compatible with this version of Brikolan.",
           later);
      engine::unbind();
      if (loader.free(engineModule)) engineModule = nullptr;
    }
  }
  if (engineModule != nullptr) {
    engine::bindEntryTable(&facade, loader);
    if (engine::isBound()) engine::callSlotDeferred<engine::kStarted>(later, true);
  }
  later.finish();
  return engineModule != nullptr;
}

bool TestLoadDll(MyNativeClass& facade, platform::ModuleLoader& loader, bool show,
                 const std::string& utf8Path) {
  WideString path;
  // A path that is not UTF-8 names no file we could load, and a zero byte would end it
  // early and name another file: both are reported as a failed load. Characters above
  // U+FFFF travel as surrogate pairs, so the file the script named is the one loaded.
  bool loaded = utf8Path.find('\0') == std::string::npos && utf8ToUtf16(utf8Path, path) &&
                loader.load(path, kDependencies) != nullptr;
  if (show) facade.mNativeToRuby->RubyMessageBox(loaded ? "Success load dll" : "Cannot load dll");
  return loaded;
}

void FreeQPEDll(MyNativeClass& facade, platform::ModuleLoader& loader, bool flag) {
  std::string digit = flag ? "1" : "0";
  platform::consoleLine("FreeQPEDll " + digit);
  if (engineModule == nullptr) return;
  facade.callAnalytics_closeApplication("null");
  platform::consoleLine("FreeQPEDll " + digit);
  engine::bindEntryTable(&facade, loader);
  // The release completes even when a script raises during the engine's callbacks.
  engine::DeferredErrors later;
  engine::callSlotDeferred<engine::kRelease>(later);
  engine::unbind();
  platform::consoleLine("FreeQPEDll erm " + digit);
  if (flag) platform::consoleLine("free");
  later.finish();
}

}  // namespace orvax::lifecycle
