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
    // A throw, break or kill cannot cross the engine either: it waits with the facade
    // call like an exception, and resumes with its own kind.
    if (EngineCall* call = EngineCall::innermost()) {
      call->keep(error);
    } else if (error.isException()) {
      platform::consoleLine(std::string("engine callback ") + name +
                            " raised: " + describe(error.exception()));
    } else {
      platform::consoleLine(std::string("engine callback ") + name + " left by " + error.kind() +
                            ": dropped");
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

// Per fiber (and so per thread): Ruby threads and fibers can each be inside an engine
// call, their calls need not end in the order they began, and a script's exception
// belongs to its own fiber's call. A fiber's chain is held in a fiber-local variable;
// it names its fiber (and keeps it) so that a chain a script copies elsewhere is ignored.
struct EngineCall::Chain {
  VALUE fiber;
  EngineCall* innermost;
};

namespace {
void markChain(void* data) { rb_gc_mark(static_cast<EngineCall::Chain*>(data)->fiber); }
void freeChain(void* data) { delete static_cast<EngineCall::Chain*>(data); }
std::size_t chainSize(const void*) { return sizeof(EngineCall::Chain); }
// Filled field by field: the function block has more members in newer interpreters.
rb_data_type_t makeChainType() {
  rb_data_type_t type{};
  type.wrap_struct_name = "orvax_engine_calls";
  type.function.dmark = markChain;
  type.function.dfree = freeChain;
  type.function.dsize = chainSize;
  return type;
}
const rb_data_type_t chainType = makeChainType();

ID chainKey() {
  static ID key = rb_intern("__orvax_engine_calls__");
  return key;
}

// The running fiber's chain object, made when `create`; Qnil when there is none.
VALUE chainOfRunningFiber(bool create) {
  VALUE fiber = rb_fiber_current();
  VALUE thread = rb_thread_current();
  VALUE object = rb_thread_local_aref(thread, chainKey());
  if (rb_typeddata_is_kind_of(object, &chainType) &&
      static_cast<EngineCall::Chain*>(RTYPEDDATA_DATA(object))->fiber == fiber) {
    return object;
  }
  if (!create) return Qnil;
  auto* chain = new EngineCall::Chain{fiber, nullptr};
  object = rb_data_typed_object_wrap(rb_cObject, chain, &chainType);
  rb_thread_local_aset(thread, chainKey(), object);
  return object;
}
}  // namespace

EngineCall::EngineCall()
    : chainObject_(protect([] { return chainOfRunningFiber(true); })),
      chain_(static_cast<Chain*>(RTYPEDDATA_DATA(chainObject_))),
      outer_(chain_->innermost) {
  chain_->innermost = this;
}
EngineCall::~EngineCall() {
  // Calls of one fiber end innermost first, as its stack unwinds; unlink this one
  // wherever it is all the same.
  for (EngineCall** link = &chain_->innermost; *link != nullptr; link = &(*link)->outer_) {
    if (*link == this) {
      *link = outer_;
      break;
    }
  }
  RB_GC_GUARD(chainObject_);
}
EngineCall* EngineCall::innermost() {
  VALUE object = Qnil;
  if (!attempt([&] { object = chainOfRunningFiber(false); }) || NIL_P(object)) return nullptr;
  return static_cast<Chain*>(RTYPEDDATA_DATA(object))->innermost;
}

}  // namespace orvax::engine
