#pragma once
// The methods of a sequence class that make iterators or take them: begin, end, rbegin,
// rend, and erase and insert at an iterator.
#include <memory>

#include "binding/Iterator.h"
#include "binding/Overload.h"
#include "binding/SequenceAccess.h"

namespace orvax {

// Where an iterator argument may stand.
enum class Reach { Anywhere, OnElement, OnElementOrEnd };

// An iterator argument: an `Iterator` over the receiver itself, forward, standing where
// `R` allows (else IndexError); `index` is its position.
template <class E, Reach R>
struct OwnIterator {
  long index;
};
template <class E, Reach R>
struct Param<OwnIterator<E, R>> {
  using Holder = OwnIterator<E, R>;
  static bool check(VALUE value) { return Param<NonNull<Type::Iterator>>::check(value); }
  static Holder convert(const Call& call, std::vector<E>& v, std::size_t index, int position) {
    VALUE value = call.argv[index];
    void* p = nullptr;
    convertPointer(value, &p, descriptor(Type::Iterator));
    auto* it = dynamic_cast<SequenceIterator<E>*>(static_cast<IteratorBase*>(p));
    if (!it || it->reverse() || it->sequence() != &v) {
      raiseArgumentError(Status::TypeError, call.def.texts[index], call.def.nameInMessages(),
                         position, value);
    }
    long i = it->index();
    auto n = static_cast<long>(v.size());
    if ((R == Reach::OnElement && (i < 0 || i >= n)) ||
        (R == Reach::OnElementOrEnd && (i < 0 || i > n))) {
      raise(rb_eIndexError, "iterator out of range");
    }
    return {i};
  }
  static Holder pass(Holder& holder) { return holder; }
};

template <class Traits>
struct SequenceIterators : SequenceAccess<Traits> {
  using Access = SequenceAccess<Traits>;
  using typename Access::E;
  using typename Access::PlainParam;
  using typename Access::V;

  using AnyIterator = OwnIterator<E, Reach::Anywhere>;
  using ElementIterator = OwnIterator<E, Reach::OnElement>;
  using InsertIterator = OwnIterator<E, Reach::OnElementOrEnd>;

  static VALUE newIterator(VALUE s, long i, bool reverse) {
    return wrapIterator(std::make_unique<SequenceIterator<E>>(s, i, reverse), true);
  }

  // begin (at 0), end (at size), rbegin (last, backwards), rend (before the first).
  template <bool Reverse, bool AtEnd>
  static RubyValue position(const Call& call, V& v) {
    auto n = static_cast<long>(v.size());
    long i = Reverse ? (AtEnd ? -1 : n - 1) : (AtEnd ? n : 0);
    return {newIterator(call.self, i, Reverse)};
  }

  // erase gives an iterator at the first element after those erased.
  static RubyValue eraseAt(const Call& call, V& v, ElementIterator at) {
    v.erase(v.begin() + at.index);
    return {newIterator(call.self, at.index, false)};
  }
  static RubyValue eraseRange(const Call& call, V& v, AnyIterator first, AnyIterator last) {
    if (first.index < 0 || first.index > last.index || last.index > static_cast<long>(v.size())) {
      raise(rb_eIndexError, "iterator out of range");
    }
    v.erase(v.begin() + first.index, v.begin() + last.index);
    return {newIterator(call.self, first.index, false)};
  }

  // insert(iterator, n, e) gives nil, insert(iterator, e) an iterator at the new element.
  static void insertCopies(V& v, InsertIterator at, unsigned n, PlainParam e) {
    E copy = e;  // `e` may refer into the receiver
    checkGrowth(v.size() + static_cast<unsigned long long>(n));
    v.insert(v.begin() + at.index, n, copy);
  }
  static RubyValue insertOne(const Call& call, V& v, InsertIterator at, PlainParam e) {
    insertCopies(v, at, 1, e);
    return {newIterator(call.self, at.index, false)};
  }
};

}  // namespace orvax
