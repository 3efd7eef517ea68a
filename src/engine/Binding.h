#pragma once
// The binding state: which entry table facade calls go through, and which facade the
// engine's callbacks serve.
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "binding/Errors.h"
#include "engine/EntryTable.h"

class MyNativeClass;

namespace orvax::platform {
class ModuleLoader;
}

namespace orvax::engine {

Slot* currentTable();
Slot* defaultTable();
inline bool isBound() { return currentTable() != defaultTable(); }
MyNativeClass* currentFacade();

// Finds the loaded engine library through `modules` (never loads it), records `facade` as
// the current facade, and makes the library's table current with our callbacks written
// into it.
void bindEntryTable(MyNativeClass* facade, platform::ModuleLoader& modules);
// Back to the default table and no current facade.
void unbind();
// A facade is being released: callbacks must no longer reach it.
void forgetFacade(MyNativeClass* facade);

void doNothing();

// Exits a script took during engine calls (exceptions, throws, breaks, kills), waiting
// to be resumed: the first one is kept, later ones are dropped, except that a kill
// replaces anything else (a killed thread must die).
class DeferredErrors {
 public:
  void keep(const RubyError& error) {
    if (!pending_ || (isKill(error) && !isKill(*pending_))) pending_ = error;
  }
  // Moves the kept exception, if any, to `later`.
  void handOverTo(DeferredErrors& later) {
    if (pending_) later.keep(*pending_);
    pending_.reset();
  }
  // Raises the kept exception, if any.
  void finish() {
    if (!pending_) return;
    RubyError error = *pending_;
    pending_.reset();
    throw error;
  }

 private:
  static bool isKill(const RubyError& error) { return error.tag() == kRubyTagFatal; }
  std::optional<RubyError> pending_;
};

// An engine call in progress. A Ruby exception or other exit a script took during a
// callback of this call is kept here and resumed once the engine has returned. A sequence of calls
// that must all run first (loading, releasing) passes its own DeferredErrors instead.
class EngineCall {
 public:
  EngineCall();
  ~EngineCall();
  EngineCall(const EngineCall&) = delete;
  EngineCall& operator=(const EngineCall&) = delete;
  void finish() { pending_.finish(); }
  // The innermost call in progress on the running fiber, or null.
  static EngineCall* innermost();
  void keep(const RubyError& error) { pending_.keep(error); }
  void handOverTo(DeferredErrors& later) { pending_.handOverTo(later); }

  struct Chain;

 private:
  // The calls of one fiber, innermost first. Kept by the fiber itself, so a fiber that
  // is abandoned inside a call takes its records with it when it is collected.
  VALUE chainObject_;
  Chain* chain_;
  EngineCall* outer_;
  DeferredErrors pending_;
};

namespace detail {
template <int K, class... A>
auto callSlot(DeferredErrors* later, A&&... args) {
  using Fn = SlotType<K>;
  using R = std::invoke_result_t<Fn, A...>;
  Slot raw = currentTable()[K];
  if (raw == &doNothing || raw == nullptr) {
    if constexpr (std::is_void_v<R>) {
      return;
    } else {
      return R{};
    }
  } else {
    auto fn = reinterpret_cast<Fn>(raw);
    EngineCall call;
    auto done = [&] {
      if (later) {
        call.handOverTo(*later);
      } else {
        call.finish();
      }
    };
    if constexpr (std::is_void_v<R>) {
      fn(std::forward<A>(args)...);
      done();
    } else {
      R result = fn(std::forward<A>(args)...);
      done();
      return result;
    }
  }
}
}  // namespace detail

// Calls slot K of the current table. The do-nothing slot answers a value-initialised
// result without being called through a signature it does not have.
template <int K, class... A>
auto callSlot(A&&... args) {
  return detail::callSlot<K>(nullptr, std::forward<A>(args)...);
}

// The same, keeping an exception raised during its callbacks in `later`.
template <int K, class... A>
auto callSlotDeferred(DeferredErrors& later, A&&... args) {
  return detail::callSlot<K>(&later, std::forward<A>(args)...);
}

}  // namespace orvax::engine
