#pragma once
// The methods of a sequence class that change it: (re)initialising, element and slice
// stores, adding and removing elements, and its size and capacity. A body whose element
// argument may refer into the receiver (a reference wrapper of a stored record) copies it
// before the receiver changes.
#include <algorithm>
#include <utility>

#include "binding/Overload.h"
#include "binding/SequenceAccess.h"

namespace orvax {

template <class Traits>
struct SequenceChanging : SequenceAccess<Traits> {
  using Access = SequenceAccess<Traits>;
  using Access::alias;
  using Access::at;
  using Access::current;
  using Access::element;
  using Access::holds;
  using Access::self;
  using Access::toRuby;
  using Access::type;
  using Access::wrapNew;
  using typename Access::E;
  using typename Access::PlainParam;
  using typename Access::Text;
  using typename Access::V;

  // ---- initialize: a second one refills the container in place -------------------------

  static void fill(const Call& call, V&& built) {
    initializeInPlace(call.self, type(), static_cast<ClassRecord*>(type()->classRecord)->destroy,
                      std::move(built));
  }
  static void makeEmpty(const Call& call) { fill(call, V()); }
  static void makeSized(const Call& call, unsigned n) {
    checkGrowth(n);
    fill(call, V(n));
  }
  static void makeCopy(const Call& call, const V& other) { fill(call, V(other)); }
  static void makeFilled(const Call& call, unsigned n, PlainParam e) {
    checkGrowth(n);
    fill(call, V(n, e));
  }

  // ---- stores ------------------------------------------------------------------------------

  // v[i] = e: past the end the container grows to i + 1, padded with e; a negative index
  // changes nothing.
  static RubyValue setAt(V& v, int index, PlainParam element) {
    E e = element;
    long i = index;
    if (i >= static_cast<long>(v.size())) {
      checkGrowth(static_cast<unsigned long long>(i) + 1);
      v.resize(static_cast<size_t>(i) + 1, e);
    } else if (i >= 0) {
      v[static_cast<size_t>(i)] = e;
    }
    return {toRuby(e)};
  }

  // v[start, length] = elements, like Ruby's Array#[]=: a negative start counts from the
  // end (still negative: IndexError); the run [start, start + length), cut at the end, is
  // replaced by the elements, so the receiver grows or shrinks by their count less the
  // run's; a start past the end first pads with zero elements. length < 1 changes nothing
  // and gives nil; otherwise the result is a new container of the given elements.
  static RubyValue setSlice(V& v, int startIndex, int length, const V& given) {
    if (length < 1) return {Qnil};
    V elements(given);  // `given` may be the receiver itself
    long start = startIndex;
    auto n = static_cast<long>(v.size());
    if (start < 0) start += n;
    if (start < 0) raise(rb_eIndexError, "index out of range");
    long long end =
        std::min<long long>(static_cast<long long>(start) + length, std::max<long>(n, start));
    checkGrowth(static_cast<unsigned long long>(std::max<long>(n, start)) - (end - start) +
                elements.size());
    if (start > n) v.resize(static_cast<size_t>(start));
    v.erase(v.begin() + start, v.begin() + static_cast<long>(end));
    v.insert(v.begin() + start, elements.begin(), elements.end());
    return {wrapNew(std::move(elements))};
  }

  static void assign(V& v, unsigned n, PlainParam e) {
    E copy = e;
    checkGrowth(n);
    v.assign(n, copy);
  }

  // ---- adding ------------------------------------------------------------------------------

  static RubyValue push(V& v, PlainParam element) {
    E e = element;
    checkGrowth(v.size() + 1ULL);
    v.push_back(e);
    return {toRuby(e)};
  }

  // Each element converts (and may run Ruby code) before it goes in: the container is
  // resolved again after each.
  static VALUE unshift(const MethodDef& def, int argc, VALUE* argv, VALUE s) {
    if (argc < 1) raiseArityError(argc, 1);
    V* v = self(def, s);
    for (int i = argc - 1; i >= 0; --i) {
      E e = element(argv[i], Text::unshift, i + 2);
      v = self(def, s);
      checkGrowth(v->size() + 1ULL);
      v->insert(v->begin(), e);
    }
    return alias(s);
  }

  static long insertPosition(long i, const V& v) {
    if (i < 0) i += static_cast<long>(v.size());
    if (i < 0 || i > static_cast<long>(v.size())) raise(rb_eIndexError, "index out of range");
    return i;
  }
  // insert(index, values...): the values convert one by one, each of which may run Ruby
  // code, so the container is resolved again after them.
  static RubyValue insertValues(const Call& call, V& v, int index, FurtherValues given) {
    long i = insertPosition(index, v);
    V values;
    for (int k = 0; k < given.count; ++k) {
      values.push_back(element(given.values[k], Text::insert, k + 2));
    }
    V* now = self(call.def, call.self);
    checkGrowth(now->size() + values.size());
    now->insert(now->begin() + i, values.begin(), values.end());
    return {alias(call.self)};
  }

  // ---- removing ----------------------------------------------------------------------------

  // pop (Last) and shift.
  template <bool Last>
  static RubyValue take(V& v) {
    if (v.empty()) return {Qnil};
    long i = Last ? static_cast<long>(v.size()) - 1 : 0;
    VALUE removed = at(v, i);
    v.erase(v.begin() + i);
    return {removed};
  }

  static RubyValue deleteAt(V& v, int index) {
    long i = normaliseIndex(index, v.size());
    if (i < 0) return {Qnil};
    VALUE removed = at(v, i);
    v.erase(v.begin() + i);
    return {removed};
  }

  // __delete__: removes every element equal to the value; the value, or the block's
  // result (nil without a block) when there was none.
  static RubyValue deleteValue(const Call& call, V& v, PlainParam element) {
    E e = element;
    auto kept = std::remove(v.begin(), v.end(), e);
    if (kept != v.end()) {
      v.erase(kept, v.end());
      return {call.argv[0]};
    }
    return {rb_block_given_p() ? yieldValue(Qnil) : Qnil};
  }

  // __delete2__: converts its argument and changes nothing.
  static void convertOnly(V&, PlainParam) {}

  static RubyValue rejectBang(const Call& call, V&) {
    requireBlock();
    VALUE s = call.self;
    for (long i = 0; holds(s, i);) {
      bool drop = RTEST(yieldValue(at(*current(s), i)));
      if (drop && holds(s, i)) {
        V* v = current(s);
        v->erase(v->begin() + i);
      } else {
        ++i;
      }
    }
    return {alias(s)};
  }

  static void clear(V& v) { v.clear(); }

  // ---- in place ----------------------------------------------------------------------------

  static RubyValue mapBang(const Call& call, V&) {
    requireBlock("No block given");
    VALUE s = call.self;
    for (long i = 0; holds(s, i); ++i) {
      VALUE result = yieldValue(at(*current(s), i));
      E e{};
      if (!isOk(readElement<E>(result, e))) {
        raise(rb_eTypeError, "Yield block did not return a valid element for std::vector");
      }
      if (holds(s, i)) (*current(s))[static_cast<size_t>(i)] = e;
    }
    return {alias(s)};
  }

  static void swap(V& v, V& other) {
    if (&other != &v) v.swap(other);
  }

  // ---- size and capacity -------------------------------------------------------------------

  static void resizeFilling(V& v, unsigned n, PlainParam e) {
    E copy = e;
    checkGrowth(n);
    v.resize(n, copy);
  }
  static void resize(V& v, unsigned n) { resizeFilling(v, n, E{}); }

  static void reserve(V& v, unsigned n) {
    checkGrowth(n);
    v.reserve(n);
  }
};

}  // namespace orvax
