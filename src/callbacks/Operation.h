#pragma once
// A Ruby method that runs one operation of a callback object: the receiver names the
// object (through `Target`), the arguments convert to the operation's parameter types,
// and its result converts back. Used by INativeToRuby's own methods and by the facade
// methods that reach the facade's callback object.
#include "binding/Method.h"
#include "callbacks/INativeToRuby.h"

namespace orvax {

// Target::object(def, self) gives the object, after converting the receiver and before
// the arguments; Target::check(def, self, object) runs once the arguments converted.
template <class Target, auto Op>
struct OperationMethod;
template <class Target, class R, class... A, R (INativeToRuby::*Op)(A...)>
struct OperationMethod<Target, Op> {
  static constexpr int arity = sizeof...(A);
  static VALUE run(const MethodDef& def, int, VALUE* argv, VALUE self) {
    INativeToRuby* object = Target::object(def, self);
    auto holders = convertArgs<A...>(def, argv);
    Target::check(def, self, object);
    return callConverted<A...>([object](auto&&... args) { return (object->*Op)(args...); },
                               holders);
  }
};

template <class Target, auto Op, class... Texts>
constexpr MethodDef operationRow(const char* name, Texts... typeTexts) {
  using Row = OperationMethod<Target, Op>;
  static_assert(sizeof...(Texts) == Row::arity, "one type text per argument");
  return MethodDef{name, Row::arity, &Row::run, texts(typeTexts...)};
}

}  // namespace orvax
