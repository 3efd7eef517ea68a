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

// Exceptions a script raised during engine calls, waiting to be raised: the first one
// is kept, later ones are dropped.
class DeferredErrors {
 public:
  void keep(const RubyError& error) {
    if (!pending_) pending_ = error;
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
  std::optional<RubyError> pending_;
};

// An engine call in progress. A Ruby exception raised by a script during a callback of
// this call is kept here and raised once the engine has returned. A sequence of calls
// that must all run first (loading, releasing) passes its own DeferredErrors instead.
class EngineCall {
 public:
  EngineCall();
  ~EngineCall();
  EngineCall(const EngineCall&) = delete;
  EngineCall& operator=(const EngineCall&) = delete;
  void finish() { pending_.finish(); }
  static EngineCall* innermost();
  void keep(const RubyError& error) { pending_.keep(error); }
  void handOverTo(DeferredErrors& later) { pending_.handOverTo(later); }

 private:
  EngineCall* outer_;
  DeferredErrors pending_;
};

// A break or throw cannot wait for later: the interpreter keeps its target only until
// other Ruby code runs. One that must be kept becomes an ordinary error naming `where`.
RubyError keepable(const RubyError& error, const std::string& where);

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
