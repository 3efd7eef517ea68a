#pragma once
// The methods of a sequence class that read it: copies, texts, walks with a block,
// element and slice reads, and its size.
#include <algorithm>
#include <memory>
#include <string>

#include "binding/SequenceAccess.h"

namespace orvax {

template <class Traits>
struct SequenceReading : SequenceAccess<Traits> {
  using Access = SequenceAccess<Traits>;
  using Access::alias;
  using Access::at;
  using Access::copyRange;
  using Access::current;
  using Access::holds;
  using Access::self;
  using Access::toRuby;
  using Access::wrapNew;
  using typename Access::E;
  using typename Access::V;

  static RubyValue dup(V& v) { return {wrapNew(V(v))}; }

  // inspect (Inspect) and to_s.
  template <bool Inspect>
  static VALUE text(const MethodDef&, int, VALUE*, VALUE s) {
    // Never raises: argument errors inspect the receiver, also an emptied one.
    if (!current(s)) return protect([&] { return rb_any_to_s(s); });
    std::string out = Inspect ? std::string(Traits::inspectType) + " [" : std::string();
    for (long i = 0; holds(s, i); ++i) {
      if (Inspect && i > 0) out += ',';
      VALUE item = at(*current(s), i);
      appendText(out, Inspect ? inspectText(item) : plainText(item));
    }
    if (Inspect) out += ']';
    return stringValue(out);
  }

  static RubyValue toA(const Call& call, V& v) {
    if constexpr (kBulkElement<E>) return {bulkArray(v)};
    VALUE array = newArray();
    for (long i = 0; holds(call.self, i); ++i) arrayPush(array, at(*current(call.self), i));
    return {array};
  }

  static RubyValue each(const Call& call, V&) {
    requireBlock();
    for (long i = 0; holds(call.self, i); ++i) yieldValue(at(*current(call.self), i));
    return {alias(call.self)};
  }

  // select (Keep) and reject (!Keep): a new container, the receiver unchanged.
  template <bool Keep>
  static RubyValue filter(const Call& call, V&) {
    requireBlock();
    V kept;
    for (long i = 0; holds(call.self, i); ++i) {
      E e = (*current(call.self))[static_cast<size_t>(i)];
      if (RTEST(yieldValue(toRuby(e))) == Keep) kept.push_back(e);
    }
    return {wrapNew(std::move(kept))};
  }

  static RubyValue atIndex(V& v, int index) {
    long i = normaliseIndex(index, v.size());
    return {i < 0 ? Qnil : at(v, i)};
  }

  static RubyValue slice(V& v, int start, int length) {
    if (length < 1) return {Qnil};
    long i = normaliseIndex(start, v.size());
    if (i < 0) return {Qnil};
    long last = static_cast<long>(
        std::min<long long>(static_cast<long long>(i) + length, static_cast<long long>(v.size())));
    return {wrapNew(copyRange(v, i, last))};
  }

  // The container is resolved again after the range is read: a duck-typed range or a
  // bound's `to_int` is Ruby code that may change or free it.
  static RubyValue range(const Call& call, V&, RubyValue given) {
    long first = 0, last = 0;
    int exclusive = 0;
    bool isRange = protect([&] {
      VALUE b, e;
      if (!RTEST(rb_range_values(given.value, &b, &e, &exclusive))) return false;
      first = readLong32(b);
      last = readLong32(e);
      return true;
    });
    if (!isRange) raise(rb_eTypeError, "not a valid index or range");
    const V& v = *self(call.def, call.self);
    auto n = static_cast<long>(v.size());
    if (first < 0) {
      first += n;
      if (first < 0) return {Qnil};
    } else if (first >= n) {
      return {Qnil};
    }
    if (last < 0) last += n;
    if (last < first) return {Qnil};
    if (exclusive) last -= 1;
    last = std::min(last, n - 1);
    return {wrapNew(last < first ? V() : copyRange(v, first, last + 1))};
  }

  // front and back: a record is given as a reference to the stored one.
  template <bool Back>
  static RubyValue frontOrBack(const Call& call, V& v) {
    if (v.empty()) return {Qnil};
    long i = Back ? static_cast<long>(v.size()) - 1 : 0;
    if constexpr (Traits::recordElements) {
      return {wrapReference(descriptorOf<E>(), call.self, &resolveElement, i)};
    } else {
      return {at(v, i)};
    }
  }
  static void* resolveElement(VALUE owner, long i) {
    V* v = current(owner);
    return v && i >= 0 && i < static_cast<long>(v->size()) ? &(*v)[static_cast<size_t>(i)]
                                                           : nullptr;
  }

  static bool empty(V& v) { return v.empty(); }
  static unsigned long long size(V& v) { return v.size(); }
  static unsigned long long capacity(V& v) { return v.capacity(); }

  static RubyValue getAllocator(V&) {
    return {wrapOwned(std::make_unique<typename V::allocator_type>(),
                      descriptor(Traits::allocatorType))};
  }
};

}  // namespace orvax
