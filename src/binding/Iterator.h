#pragma once
// Native iterators behind ConstIterator and Iterator. An iterator keeps its container's
// Ruby object registered in the value-reference table (so the container outlives it)
// and a position that is checked against the container on every use: an iterator never
// reads or writes outside its container, whatever happened to the container since.
#include <memory>
#include <string>
#include <vector>

#include "binding/Convert.h"
#include "binding/SequenceSupport.h"

namespace orvax {

class IteratorBase {
 public:
  explicit IteratorBase(VALUE container);
  IteratorBase(const IteratorBase& other);
  IteratorBase& operator=(const IteratorBase&) = delete;
  virtual ~IteratorBase();

  VALUE container() const { return container_; }
  // Whether the iterator writes (an `Iterator`) or only reads (a `ConstIterator`).
  virtual bool isMutable() const = 0;
  // The current element, nil where there is none.
  virtual VALUE value() const = 0;
  // Stores at the current position; false when there is no element there.
  virtual bool setValue(VALUE value);
  // Moves by n (negative: backwards); false when a closed iterator had to stop.
  virtual bool advance(long n) = 0;
  // this - other, for iterators of the same kind and container.
  virtual long distance(const IteratorBase& other) const = 0;
  virtual bool equal(const IteratorBase& other) const = 0;
  virtual std::unique_ptr<IteratorBase> dup() const = 0;

  std::string inspect() const;
  std::string toString() const;

 protected:
  [[noreturn]] static void refuseKind();
  [[noreturn]] static void refuseContainer();

 private:
  VALUE container_;
};

// An open iterator over a sequence: an element index, moved without bounds.
template <class E>
class SequenceIterator final : public IteratorBase {
 public:
  using Sequence = std::vector<E>;
  SequenceIterator(VALUE container, long index, bool reverse)
      : IteratorBase(container), index_(index), reverse_(reverse) {}

  bool isMutable() const override { return true; }
  long index() const { return index_; }
  bool reverse() const { return reverse_; }

  // The container as it is now; null when it is gone.
  Sequence* sequence() const {
    Sequence* s = nullptr;
    return isOk(convertResolvedAs(container(), s, descriptorOf<Sequence>())) ? s : nullptr;
  }

  VALUE value() const override {
    Sequence* s = sequence();
    if (!s || index_ < 0 || index_ >= static_cast<long>(s->size())) return Qnil;
    E element = (*s)[static_cast<size_t>(index_)];
    return Converter<E>::toRuby(element);
  }

  bool setValue(VALUE value) override {
    E element{};
    if (!isOk(readElement<E>(value, element))) return false;
    Sequence* s = sequence();
    if (!s || index_ < 0 || index_ >= static_cast<long>(s->size())) return false;
    (*s)[static_cast<size_t>(index_)] = element;
    return true;
  }

  bool advance(long n) override {
    index_ += reverse_ ? -n : n;
    return true;
  }

  long distance(const IteratorBase& other) const override {
    const SequenceIterator& o = sameContainer(other);
    return reverse_ ? o.index_ - index_ : index_ - o.index_;
  }

  bool equal(const IteratorBase& other) const override {
    return sameContainer(other).index_ == index_;
  }

  std::unique_ptr<IteratorBase> dup() const override {
    return std::make_unique<SequenceIterator>(*this);
  }

  // `other` as an iterator of this kind over the same native container.
  const SequenceIterator& sameContainer(const IteratorBase& other) const {
    auto* o = dynamic_cast<const SequenceIterator*>(&other);
    if (!o || o->reverse_ != reverse_) refuseKind();
    Sequence* mine = sequence();
    if (!mine || mine != o->sequence()) refuseContainer();
    return *o;
  }

 private:
  long index_;
  bool reverse_;
};

// Wraps a new native iterator as an owned Ruby iterator of the given class.
VALUE wrapIterator(std::unique_ptr<IteratorBase> iterator, bool asMutable);

// Closed iterators over the keys or the values of a string map.
VALUE newMapKeyIterator(VALUE map);
VALUE newMapValueIterator(VALUE map);

}  // namespace orvax
