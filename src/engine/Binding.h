#pragma once
// The binding state: which entry table facade calls go through, and which facade the
// engine's callbacks serve.
#include <type_traits>
#include <utility>

#include "binding/Errors.h"
#include "engine/EntryTable.h"

class MyNativeClass;

namespace orvax::engine {

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

 private:
  EngineCall* outer_;
  RubyError* pending_ = nullptr;
};

// Calls slot K of the current table. The do-nothing slot answers a value-initialised
// result without being called through a signature it does not have.
template <int K, class... A>
auto callSlot(A&&... args) {
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
    if constexpr (std::is_void_v<R>) {
      fn(std::forward<A>(args)...);
      call.finish();
    } else {
      R result = fn(std::forward<A>(args)...);
      call.finish();
      return result;
    }
  }
}

}  // namespace orvax::engine
