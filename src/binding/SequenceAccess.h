#pragma once
// What every method of a sequence class works with: the receiver, the container as it is
// now (Ruby code run by a method may change or free it), elements to and from Ruby, and
// new containers. The method groups build on it.
#include <memory>
#include <utility>
#include <vector>

#include "binding/Method.h"
#include "binding/SequenceSupport.h"
#include "binding/SequenceTexts.h"

namespace orvax {

template <class Traits>
struct SequenceAccess {
  using E = typename Traits::E;
  using V = std::vector<E>;
  // The parameter type that takes one element the plain way (push, []=, assign, ...).
  using PlainParam = PlainElementParam<E>;
  using Text = SequenceTexts<Traits>;

  static TypeDescriptor* type() { return descriptor(Traits::type); }

  static V* self(const MethodDef& def, VALUE s) {
    return static_cast<V*>(resolvedReceiver(Text::self, def.nameInMessages(), s, type()));
  }
  // The receiver of the bodies that are plain functions of the container.
  using Receiver = ReceiverOf<self>;

  // The container now, or null once it is gone (checked again after every block call).
  static V* current(VALUE s) {
    V* v = nullptr;
    return isOk(convertResolvedAs(s, v, type())) ? v : nullptr;
  }
  static bool holds(VALUE s, long i) {
    V* v = current(s);
    return v && i >= 0 && i < static_cast<long>(v->size());
  }

  // A reference to the receiver itself (what methods that return self give).
  static VALUE alias(VALUE s) { return wrapReference(type(), s, &resolveAlias<Traits::type>, 0); }

  static VALUE toRuby(const E& e) { return Converter<E>::toRuby(e); }
  static VALUE at(const V& v, long i) {
    E e = v[static_cast<size_t>(i)];
    return toRuby(e);
  }

  // The element rule; `methodName` and `position` name the value when a Ruby exception
  // is being handled.
  static E element(VALUE value, const char* methodName, int position) {
    E e{};
    if (isOk(readElement<E>(value, e))) return e;
    raise(rb_eArgError, formatTypeError("", Converter<E>::name, methodName, position, value));
  }

  static VALUE wrapNew(V&& contents) {
    return wrapOwned(std::make_unique<V>(std::move(contents)), type());
  }
  static V copyRange(const V& v, long first, long last) {
    return V(v.begin() + first, v.begin() + last);
  }
};

}  // namespace orvax
