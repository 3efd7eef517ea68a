#pragma once
// The forwarding convention of the facade: convert the receiver and the arguments,
// refresh the binding, answer the not-bound result or call the engine slot, convert
// the slot's result. Rows select departures from it with flags.
#include "binding/Method.h"
#include "callbacks/Operation.h"
#include "engine/Binding.h"
#include "engine/MyNativeClass.h"
#include "platform/Platform.h"

namespace orvax::facade {

enum : unsigned {
  kNoRefresh = 1,    // uses whatever table and facade are current
  kNoBoundTest = 2,  // calls the current table's slot even when it is the default table
};

inline constexpr const char kFacadeType[] = "MyNativeClass *";

inline MyNativeClass* self(const MethodDef& def, VALUE value) {
  return receiver<MyNativeClass>(def, value, kFacadeType);
}

using FacadeSelf = ReceiverOf<self>;

// The result while no engine is bound: the empty or zero value of the result type.
template <class R>
VALUE notBound() {
  if constexpr (std::is_void_v<R>) {
    return Qnil;
  } else {
    return resultToRuby(R{});
  }
}

template <class Signature>
struct ForwardTo;
template <class R, class... A>
struct ForwardTo<R (*)(A...)> {
  static constexpr int arity = sizeof...(A);

  template <int K, unsigned Flags>
  static VALUE run(const MethodDef& def, int, VALUE* argv, VALUE value) {
    MyNativeClass* facade = self(def, value);
    auto holders = convertArgs<A...>(def, argv);
    if (!(Flags & kNoRefresh)) engine::bindEntryTable(facade, platform::moduleLoader());
    if (!(Flags & kNoBoundTest) && !engine::isBound()) return notBound<R>();
    return callConverted<A...>([](auto&&... args) { return engine::callSlot<K>(args...); },
                               holders);
  }
};

// A row that forwards to engine slot K.
template <int K, unsigned Flags = 0, class... Texts>
constexpr MethodDef forward(const char* name, Texts... typeTexts) {
  using Slot = ForwardTo<engine::SlotType<K>>;
  static_assert(sizeof...(Texts) == Slot::arity, "one type text per argument");
  return MethodDef{name, Slot::arity, &Slot::template run<K, Flags>, texts(typeTexts...)};
}

// A row whose body is written by hand: a plain function of the facade and its native
// arguments (optionally preceded by `const Call&`); see bodyRow.
template <auto Body, class... Texts>
constexpr MethodDef custom(const char* name, Texts... typeTexts) {
  return bodyRow<FacadeSelf, Body>(name, typeTexts...);
}

// A row that calls an operation of the facade's own callback object.
struct FacadeCallbacks {
  static INativeToRuby* object(const MethodDef& def, VALUE value) {
    return self(def, value)->mNativeToRuby;
  }
  static void check(const MethodDef&, VALUE, INativeToRuby*) {}
};

template <auto Op, class... Texts>
constexpr MethodDef callback(const char* name, Texts... typeTexts) {
  return operationRow<FacadeCallbacks, Op>(name, typeTexts...);
}

}  // namespace orvax::facade
