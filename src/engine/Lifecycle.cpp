#include "engine/Lifecycle.h"

#include "engine/Binding.h"
#include "engine/LibraryPath.h"
#include "facade/MyNativeClass.h"
#include "platform/Platform.h"

namespace orvax::lifecycle {
namespace {

// The library's dependencies are searched in its own directory and the default ones.
constexpr std::uint32_t kLoadFlags = 0x1100;

platform::ModuleHandle engineModule = nullptr;

WideString libraryPath() {
  WideString directory = engineDirectory(platform::moduleLoader().selfModulePath());
  platform::consoleWideLine(directory);
  WideString path = engineLibraryPath(directory);
  platform::consoleWideLine(path);
  return path;
}

}  // namespace

bool LoadQPEDll(MyNativeClass& facade, bool show, long long version, long long major,
                long long minor) {
  INativeToRuby& callbacks = *facade.mNativeToRuby;
  auto& loader = platform::moduleLoader();
  if (engineModule == nullptr) {
    engineModule = loader.load(libraryPath(), kLoadFlags);
    if (engineModule == nullptr) {
      callbacks.RubyMessageBox(
          "The current version of the Point Cloud extension is not compatible with this "
          "version of Brikolan\n");
      return false;
    }
    platform::consoleLine("Start QPE");
    if (show) callbacks.RubyMessageBox("Extension Loaded");
    engine::bindEntryTable(&facade);
    bool accepted = engine::isBound() && engine::callSlot<engine::kInitEngine>(version, major, minor);
    if (!accepted) {
      callbacks.RubyMessageBox(
          "Cannot initialize Cloud Workbench. The current version of the extension is not "
          "compatible with this version of Brikolan.");
      engine::unbind();
      if (loader.free(engineModule)) engineModule = nullptr;
    }
  }
  if (engineModule != nullptr) {
    engine::bindEntryTable(&facade);
    if (engine::isBound()) engine::callSlot<engine::kStarted>(true);
  }
  return engineModule != nullptr;
}

bool TestLoadDll(MyNativeClass& facade, bool show, const std::string& utf8Path) {
  WideString path;
  // A path that is not UTF-8, or that holds characters one 16-bit unit cannot carry,
  // names no file we could load: it is reported as a failed load.
  bool loaded = utf8ToUnits(utf8Path, path) &&
                platform::moduleLoader().load(path, kLoadFlags) != nullptr;
  if (show) facade.mNativeToRuby->RubyMessageBox(loaded ? "Success load dll" : "Cannot load dll");
  return loaded;
}

void FreeQPEDll(MyNativeClass& facade, bool flag) {
  std::string digit = flag ? "1" : "0";
  platform::consoleLine("FreeQPEDll " + digit);
  if (engineModule == nullptr) return;
  facade.callAnalytics_closeApplication("null");
  platform::consoleLine("FreeQPEDll " + digit);
  engine::bindEntryTable(&facade);
  engine::callSlot<engine::kRelease>();
  engine::unbind();
  platform::consoleLine("FreeQPEDll erm " + digit);
  if (flag) platform::consoleLine("free");
}

}  // namespace orvax::lifecycle
