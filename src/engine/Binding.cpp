#include "engine/Binding.h"

#include <cstdint>
#include <string>

#include "callbacks/INativeToRuby.h"
#include "engine/MyNativeClass.h"
#include "platform/Platform.h"
#include "portable/LibraryPath.h"

extern "C" int ruby_native_thread_p(void);

namespace orvax::engine {
namespace {

Slot defaultSlots[kSlotCount];
Slot* current = defaultSlots;
MyNativeClass* facade = nullptr;
// Per thread: Ruby threads can each be inside an engine call, and their calls need not
// end in the order they began; a script's exception belongs to its own thread's call.
thread_local EngineCall* innermostCall = nullptr;

std::string describe(VALUE exception) {
  std::string text;
  try {
    text = protect([&] { return rb_obj_classname(exception); });
    VALUE message = protect([&] { return rb_funcall(exception, rb_intern("message"), 0); });
    if (RB_TYPE_P(message, T_STRING)) {
      text += ": ";
      text.append(RSTRING_PTR(message), static_cast<size_t>(RSTRING_LEN(message)));
    }
  } catch (...) {
    // describing is best effort
  }
  return text;
}

// Runs a callback's body against the current facade's callback object. Nothing the
// script raises may unwind into the engine: it is kept for the facade call that is
// waiting on the engine, or written to the console when there is none.
template <class R, class F>
R serveOrThrow(const char* name, const R& neutral, F& body) {
  if (!ruby_native_thread_p()) {
    platform::consoleLine(std::string("engine callback ") + name +
                          " ignored: not called on a Ruby thread");
    return neutral;
  }
  if (facade == nullptr) return neutral;
  try {
    return body(*facade);
  } catch (const RubyError& error) {
    // A throw or break cannot cross the engine either.
    RubyError kept = keepable(error, std::string("engine callback ") + name);
    if (EngineCall* call = EngineCall::innermost()) {
      call->keep(kept);
    } else {
      platform::consoleLine(std::string("engine callback ") + name +
                            " raised: " + describe(kept.exception()));
    }
  } catch (const std::exception& error) {
    platform::consoleLine(std::string("engine callback ") + name + " failed: " + error.what());
  }
  return neutral;
}

template <class R, class F>
R serve(const char* name, R neutral, F&& body) noexcept {
  try {
    return serveOrThrow(name, neutral, body);
  } catch (...) {
    // Even reporting failed (out of memory): the engine still gets its neutral answer.
  }
  return neutral;
}

struct Nothing {};

template <class F>
void serveVoid(const char* name, F&& body) {
  serve<Nothing>(name, Nothing{}, [&](MyNativeClass& f) {
    body(f);
    return Nothing{};
  });
}

void cbGetModelMatrix() {
  serveVoid("getModelMatrix", [](MyNativeClass& f) { f.mNativeToRuby->getModelMatrix(); });
}
void cbUpdateView() {
  serveVoid("updateView", [](MyNativeClass& f) { f.mNativeToRuby->updateView(); });
}
void cbForceUpdateView() {
  serveVoid("forceUpdateView", [](MyNativeClass& f) { f.mNativeToRuby->forceUpdateView(); });
}
void cbUpdateHtml() {
  serveVoid("updateHtml", [](MyNativeClass& f) {
    f.mNativeToRuby->updateHtml();
    // The script may have switched facades meanwhile: the view update goes to the
    // facade recorded now.
    if (MyNativeClass* now = currentFacade()) now->mNativeToRuby->updateView();
  });
}
void cbMessageBox(const Text& message) {
  serveVoid("RubyMessageBox", [&](MyNativeClass& f) { f.mNativeToRuby->RubyMessageBox(message); });
}
bool cbYesNoBox(const Text& question) {
  return serve<bool>("RubyYesNoBox", false, [&](MyNativeClass& f) {
    return f.mNativeToRuby->RubyYesNoBox(question) != 0;
  });
}
void cbAddScene(const Doubles& values, const Text& text) {
  serveVoid("RubyAddScene", [&](MyNativeClass& f) { f.mNativeToRuby->RubyAddScene(values, text); });
}
void cbPointCloudLoadedAnalytics(Text text) {
  serveVoid("callAnalytics_pointCloudLoaded",
            [&](MyNativeClass& f) { f.callAnalytics_pointCloudLoaded(text); });
}
void cbPointCloudLoaded(Text text, bool flag) {
  serveVoid("point_cloud_loaded", [&](MyNativeClass& f) { f.point_cloud_loaded(text, flag); });
}
void cbErrorMessageEngagement(Text text) {
  serveVoid("callAnalytics_errorMessageEngagement",
            [&](MyNativeClass& f) { f.callAnalytics_errorMessageEngagement(text); });
}
Doubles cbGetSectionPlanes() {
  return serve<Doubles>("getSectionPlanes", Doubles{},
                        [](MyNativeClass& f) { return f.mNativeToRuby->getSectionPlanes(); });
}
void cbInitializeSettings() {
  serveVoid("initializeSettings", [](MyNativeClass& f) { f.mNativeToRuby->initializeSettings(); });
}
void cbCreateClippingBox() {
  serveVoid("createClippingBox", [](MyNativeClass& f) { f.mNativeToRuby->createClippingBox(); });
}
void cbRemoveClippingBox() {
  serveVoid("removeClippingBox", [](MyNativeClass& f) { f.mNativeToRuby->removeClippingBox(); });
}
void cbUpdateSceneObserver(WideString text) {
  serveVoid("updateSceneObserver", [&](MyNativeClass& f) { f.updateSceneObserver(text); });
}

template <int K>
Slot asSlot(SlotType<K> fn) {
  return reinterpret_cast<Slot>(fn);
}

void writeCallbacks(Slot* table) {
  table[kCbGetModelMatrix] = asSlot<kCbGetModelMatrix>(cbGetModelMatrix);
  table[kCbUpdateView] = asSlot<kCbUpdateView>(cbUpdateView);
  table[kCbForceUpdateView] = asSlot<kCbForceUpdateView>(cbForceUpdateView);
  table[kCbUpdateHtml] = asSlot<kCbUpdateHtml>(cbUpdateHtml);
  table[kCbMessageBox] = asSlot<kCbMessageBox>(cbMessageBox);
  table[kCbYesNoBox] = asSlot<kCbYesNoBox>(cbYesNoBox);
  table[kCbAddScene] = asSlot<kCbAddScene>(cbAddScene);
  table[kCbPointCloudLoadedAnalytics] =
      asSlot<kCbPointCloudLoadedAnalytics>(cbPointCloudLoadedAnalytics);
  table[kCbPointCloudLoaded] = asSlot<kCbPointCloudLoaded>(cbPointCloudLoaded);
  table[kCbErrorMessageEngagement] = asSlot<kCbErrorMessageEngagement>(cbErrorMessageEngagement);
  table[kCbGetSectionPlanes] = asSlot<kCbGetSectionPlanes>(cbGetSectionPlanes);
  table[kCbInitializeSettings] = asSlot<kCbInitializeSettings>(cbInitializeSettings);
  table[kCbCreateClippingBox] = asSlot<kCbCreateClippingBox>(cbCreateClippingBox);
  table[kCbRemoveClippingBox] = asSlot<kCbRemoveClippingBox>(cbRemoveClippingBox);
  table[kCbUpdateSceneObserver] = asSlot<kCbUpdateSceneObserver>(cbUpdateSceneObserver);
}

bool prepareDefaultTable() {
  for (std::size_t i = 0; i < kFirstCallbackSlot; ++i) defaultSlots[i] = &doNothing;
  writeCallbacks(defaultSlots);
  return true;
}
const bool defaultTableReady = prepareDefaultTable();

}  // namespace

void doNothing() {}

RubyError keepable(const RubyError& error, const std::string& where) {
  if (error.tag() == kRubyTagRaise) return error;
  return RubyError(newException(rb_eRuntimeError, "non-local exit from " + where));
}

Slot* currentTable() { return current; }
Slot* defaultTable() { return defaultSlots; }
MyNativeClass* currentFacade() { return facade; }

// The engine library and its table as last looked up, valid while the loader's module
// list keeps the version it had then: searching by name and reading exports on every
// call would cost far more than the calls themselves.
struct EngineLookup {
  std::uint64_t version = 0;  // never a valid version: nothing looked up yet
  platform::ModuleHandle module = nullptr;
  Slot* table = nullptr;
};
EngineLookup lastLookup;

const EngineLookup& lookUpEngine(platform::ModuleLoader& loader) {
  // Read before looking: a change during the lookup shows on the next call.
  const std::uint64_t version = loader.moduleListVersion();
  if (version == 0 || version != lastLookup.version) {
    EngineLookup found{version, loader.findLoaded(kEngineFileName), nullptr};
    if (found.module != nullptr) {
      found.table = static_cast<Slot*>(loader.findExport(found.module, kEntryPointName));
    }
    lastLookup = found;
  }
  return lastLookup;
}

void bindEntryTable(MyNativeClass* caller, platform::ModuleLoader& modules) {
  (void)defaultTableReady;
  const EngineLookup& engine = lookUpEngine(modules);
  if (engine.module == nullptr) {
    // No library of the engine's name is loaded, so a table bound earlier is gone with
    // its library: calling it would jump into unmapped memory.
    current = defaultSlots;
    return;
  }
  facade = caller;
  if (engine.table == nullptr) return;
  current = engine.table;
  writeCallbacks(current);
}

void unbind() {
  current = defaultSlots;
  facade = nullptr;
}

void forgetFacade(MyNativeClass* released) {
  if (facade == released) facade = nullptr;
}

EngineCall::EngineCall() : outer_(innermostCall) { innermostCall = this; }
EngineCall::~EngineCall() {
  // Calls end innermost first, except when fibers interleave them: a fiber suspended in
  // a callback can outlive the call that resumed it. Unlink this one wherever it is.
  for (EngineCall** link = &innermostCall; *link != nullptr; link = &(*link)->outer_) {
    if (*link == this) {
      *link = outer_;
      break;
    }
  }
}
EngineCall* EngineCall::innermost() { return innermostCall; }

}  // namespace orvax::engine
