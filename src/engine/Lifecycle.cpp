#include "engine/Lifecycle.h"

#include <cstdint>

#include "engine/Binding.h"
#include "engine/LibraryPath.h"
#include "facade/MyNativeClass.h"
#include "platform/Platform.h"

namespace orvax::lifecycle {
namespace {

// The library's dependencies are searched in its own directory and the default ones.
constexpr std::uint32_t kLoadFlags = 0x1100;

platform::ModuleHandle engineModule = nullptr;

// Strict UTF-8 to UTF-16: characters above U+FFFF become surrogate pairs, so the path
// names the file the script named. False for bytes that are not UTF-8 (overlong forms,
// encoded surrogates, values beyond U+10FFFF, cut sequences) and for a zero byte,
// which would end the path early and name a different file.
bool utf8ToUtf16(const std::string& text, WideString& out) {
  out.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    std::uint32_t cp;
    std::size_t length;
    std::uint32_t minimum;
    if (lead == 0) {
      return false;
    } else if (lead < 0x80) {
      cp = lead, length = 1, minimum = 0;
    } else if ((lead & 0xE0) == 0xC0) {
      cp = lead & 0x1F, length = 2, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      cp = lead & 0x0F, length = 3, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      cp = lead & 0x07, length = 4, minimum = 0x10000;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<WideChar>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<WideChar>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<WideChar>(cp));
    }
    i += length;
  }
  return true;
}

// A message during loading; a script that raises in it does not stop the load half way.
void tell(INativeToRuby& callbacks, const char* message, engine::DeferredErrors& later) {
  try {
    callbacks.RubyMessageBox(message);
  } catch (const RubyError& error) {
    later.keep(error);
  }
}

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
  // A script's exception during the engine's callbacks waits until loading has come to
  // a consistent end (initialised, or refused and unloaded).
  engine::DeferredErrors later;
  if (engineModule == nullptr) {
    engineModule = loader.load(libraryPath(), kLoadFlags);
    if (engineModule == nullptr) {
      callbacks.RubyMessageBox(
          "The current version of the Point Cloud extension is not compatible with this "
          "version of Brikolan\n");
      return false;
    }
    platform::consoleLine("Start QPE");
    if (show) tell(callbacks, "Extension Loaded", later);
    engine::bindEntryTable(&facade);
    bool accepted = engine::isBound() &&
                    engine::callSlotDeferred<engine::kInitEngine>(later, version, major, minor);
    if (!accepted) {
      tell(callbacks,
           "Cannot initialize Cloud Workbench. The current version of the extension is not "
           "compatible with this version of Brikolan.",
           later);
      engine::unbind();
      if (loader.free(engineModule)) engineModule = nullptr;
    }
  }
  if (engineModule != nullptr) {
    engine::bindEntryTable(&facade);
    if (engine::isBound()) engine::callSlotDeferred<engine::kStarted>(later, true);
  }
  later.finish();
  return engineModule != nullptr;
}

bool TestLoadDll(MyNativeClass& facade, bool show, const std::string& utf8Path) {
  WideString path;
  // A path that is not UTF-8 names no file we could load: it is reported as a failed load.
  bool loaded = utf8ToUtf16(utf8Path, path) &&
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
  // The release completes even when a script raises during the engine's callbacks.
  engine::DeferredErrors later;
  engine::callSlotDeferred<engine::kRelease>(later);
  engine::unbind();
  platform::consoleLine("FreeQPEDll erm " + digit);
  if (flag) platform::consoleLine("free");
  later.finish();
}

}  // namespace orvax::lifecycle
