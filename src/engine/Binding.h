#pragma once
// The binding state: which entry table facade calls go through, and which facade the
// engine's callbacks serve.
#include <string>
#include <type_traits>
#include <utility>

#include "binding/Errors.h"
#include "engine/EntryTable.h"

class MyNativeClass;

namespace orvax::engine {

class DeferredErrors;

Slot* currentTable();
Slot* defaultTable();
inline bool isBound() { return currentTable() != defaultTable(); }
MyNativeClass* currentFacade();

// Finds the loaded engine library (never loads it), records `facade` as the current
// facade, and makes the library's table current with our callbacks written into it.
void bindEntryTable(MyNativeClass* facade);
// Back to the default table and no current facade.
void unbind();
// A facade is being released: callbacks must no longer reach it.
void forgetFacade(MyNativeClass* facade);

void doNothing();

// An engine call in progress. A Ruby exception raised by a script during a callback
// of this call is kept here and raised once the engine has returned.
class EngineCall {
 public:
  EngineCall();
  ~EngineCall();
  EngineCall(const EngineCall&) = delete;
  EngineCall& operator=(const EngineCall&) = delete;
  // Raises the kept exception, if any.
  void finish();
  static EngineCall* innermost();
  void keep(const RubyError& error);
  // Moves the kept exception, if any, to `later` instead of raising it.
  void handOverTo(DeferredErrors& later);

 private:
  EngineCall* outer_;
  RubyError* pending_ = nullptr;
};

// A sequence of engine calls that must all run (loading, releasing) before an exception
// kept during one of them is raised: pass it to callSlot, then finish() it.
class DeferredErrors {
 public:
  DeferredErrors() = default;
  DeferredErrors(const DeferredErrors&) = delete;
  DeferredErrors& operator=(const DeferredErrors&) = delete;
  ~DeferredErrors() { delete pending_; }
  void keep(const RubyError& error) {
    if (pending_ == nullptr) pending_ = new RubyError(error);
  }
  // Raises the first kept exception, if any.
  void finish();

 private:
  RubyError* pending_ = nullptr;
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
