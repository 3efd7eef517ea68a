// ConstIterator and Iterator: the native iterator base, the map's closed iterators and
// the two Ruby classes.
#include "binding/Iterator.h"

#include <iterator>
#include <memory>

#include "binding/Classes.h"
#include "binding/Overload.h"

namespace orvax {

IteratorBase::IteratorBase(VALUE container) : container_(container) {
  protect([&] { registerValue(container_); });
}
IteratorBase::IteratorBase(const IteratorBase& other) : IteratorBase(other.container_) {}
// Runs inside the collector's finalisation too: only the table is touched.
IteratorBase::~IteratorBase() { unregisterValue(container_); }

bool IteratorBase::setValue(VALUE) { raise(rb_eArgError, "value= not supported"); }

void IteratorBase::refuseKind() { raise(rb_eArgError, "bad iterator type"); }
void IteratorBase::refuseContainer() { raise(rb_eArgError, "iterators of different containers"); }

std::string IteratorBase::inspect() const {
  std::string text = "#<" + classNameOf(container_);
  text += isMutable() ? "::iterator " : "::const_iterator ";
  appendText(text, inspectText(value()));
  return text + ">";
}

std::string IteratorBase::toString() const {
  std::string text = classNameOf(container_);
  text += isMutable() ? "::iterator " : "::const_iterator ";
  appendText(text, plainText(value()));
  return text;
}

namespace {

// A closed iterator over a map: the key it stands on (positions survive changes of the
// map; a removed key reads as nil and moving goes on from where it stood).
template <bool Values>
class MapIterator final : public IteratorBase {
 public:
  explicit MapIterator(VALUE map) : IteratorBase(map) {
    StringMap* m = this->map();
    atEnd_ = !m || m->empty();
    if (!atEnd_) key_ = m->begin()->first;
  }

  bool isMutable() const override { return false; }

  StringMap* map() const {
    StringMap* m = nullptr;
    return isOk(convertResolvedAs(container(), m, descriptorOf<StringMap>())) ? m : nullptr;
  }

  VALUE value() const override {
    StringMap* m = map();
    if (!m || atEnd_) return Qnil;
    auto found = m->find(key_);
    if (found == m->end()) return Qnil;
    return textToRuby(Values ? found->second : found->first);
  }

  bool advance(long n) override {
    StringMap* m = map();
    if (!m) return false;
    for (; n > 0; --n) {
      if (atEnd_) return false;
      auto next = m->upper_bound(key_);
      atEnd_ = next == m->end();
      if (!atEnd_) key_ = next->first;
    }
    for (; n < 0; ++n) {
      auto at = atEnd_ ? m->end() : m->lower_bound(key_);
      if (at == m->begin()) return false;
      key_ = std::prev(at)->first;
      atEnd_ = false;
    }
    return true;
  }

  long position(const StringMap& m) const {
    auto at = atEnd_ ? m.end() : m.lower_bound(key_);
    return static_cast<long>(std::distance(m.begin(), at));
  }

  const MapIterator& sameContainer(const IteratorBase& other) const {
    auto* o = dynamic_cast<const MapIterator*>(&other);
    if (!o) refuseKind();
    StringMap* mine = map();
    if (!mine || mine != o->map()) refuseContainer();
    return *o;
  }

  long distance(const IteratorBase& other) const override {
    const MapIterator& o = sameContainer(other);
    StringMap* m = map();
    return position(*m) - o.position(*m);
  }

  bool equal(const IteratorBase& other) const override {
    const MapIterator& o = sameContainer(other);
    return atEnd_ == o.atEnd_ && (atEnd_ || key_ == o.key_);
  }

  std::unique_ptr<IteratorBase> dup() const override {
    return std::make_unique<MapIterator>(*this);
  }

 private:
  std::string key_;
  bool atEnd_ = true;
};

ClassRecord constIteratorRecord{};
ClassRecord iteratorRecord{};

void destroyIterator(void* pointer) { delete static_cast<IteratorBase*>(pointer); }
// The container is referred to by address from native memory.
void markIterator(void* pointer) { rb_gc_mark(static_cast<IteratorBase*>(pointer)->container()); }

template <bool Mutable>
struct IteratorClass {
  static constexpr const char* selfText = Mutable ? "swig::Iterator *" : "swig::ConstIterator *";
  static constexpr const char* className = Mutable ? "Iterator" : "ConstIterator";
  static TypeDescriptor* type() {
    return descriptor(Mutable ? Type::Iterator : Type::ConstIterator);
  }

  static IteratorBase* self(const MethodDef& def, VALUE value) {
    return receiver<IteratorBase>(def, value, selfText, type());
  }

  // Another iterator given by reference (nil refused).
  static constexpr const char* otherText =
      Mutable ? "swig::Iterator const &" : "swig::ConstIterator const &";
  static IteratorBase* other(const MethodDef& def, VALUE value, int position) {
    void* p = nullptr;
    Status status = convertPointer(value, &p, type());
    if (!isOk(status)) raiseArgumentError(status, otherText, def.nameInMessages(), position, value);
    if (!p) raiseNullReference(otherText, def.nameInMessages(), position, value);
    return static_cast<IteratorBase*>(p);
  }
  using Other = NonNull<Mutable ? Type::Iterator : Type::ConstIterator>;

  // The receiver of the overloaded methods, tested with their arguments.
  struct Receiver : ReceiverOf<self> {
    static bool test(VALUE s) { return Param<Other>::check(s); }
  };

  static RubyValue value(IteratorBase& it) { return {it.value()}; }
  static RubyValue setValue(IteratorBase& it, RubyValue given) {
    return {it.setValue(given.value) ? given.value : Qnil};
  }
  static RubyValue dup(IteratorBase& it) { return {wrapIterator(it.dup(), Mutable)}; }
  static std::string inspect(IteratorBase& it) { return it.inspect(); }
  static std::string toS(IteratorBase& it) { return it.toString(); }

  // next and previous move the iterator itself; the result refers to it.
  template <int Direction>
  static const char* stepPrototypes() {
    static const std::string text = expandElement(
        Direction > 0 ? "    swig::%E * %E.next(size_t n)\n    swig::%E * %E.next()\n"
                      : "    swig::%E * %E.previous(size_t n)\n    swig::%E * %E.previous()\n",
        className);
    return text.c_str();
  }
  template <int Direction>
  static RubyValue stepBy(const Call& call, IteratorBase& it, unsigned n) {
    if (!it.advance(Direction * static_cast<long>(n))) return {Qnil};
    VALUE alias = wrapPointer(&it, type(), Ownership::Borrowed);
    keepOwnerAlive(alias, call.self);
    return {alias};
  }
  template <int Direction>
  static RubyValue step(const Call& call, IteratorBase& it) {
    return stepBy<Direction>(call, it, 1);
  }

  static VALUE equal(const MethodDef& def, int, VALUE* argv, VALUE s) {
    IteratorBase* it = self(def, s);
    return it->equal(*other(def, argv[0], 2)) ? Qtrue : Qfalse;
  }

  // A new iterator n further on; nil where a closed one had to stop.
  static RubyValue moved(IteratorBase& it, long n) {
    std::unique_ptr<IteratorBase> copy = it.dup();
    if (!copy->advance(n)) return {Qnil};
    return {wrapIterator(std::move(copy), Mutable)};
  }
  static RubyValue plus(IteratorBase& it, int n) { return moved(it, n); }
  static RubyValue minus(IteratorBase& it, int n) { return moved(it, -static_cast<long>(n)); }
  static long long distance(IteratorBase& it, Other other) {
    return it.distance(*static_cast<IteratorBase*>(other.pointer));
  }
  static const char* minusPrototypes() {
    static const std::string text = expandElement(
        "    __sub__.new(ptrdiff_t n)\n    __sub__.new(swig::%E const &x)\n", className);
    return text.c_str();
  }
};

template <bool Mutable>
struct IteratorOverloads {
  using C = IteratorClass<Mutable>;
  using R = typename C::Receiver;
  static constexpr const char* next = Mutable ? "Iterator.next" : "ConstIterator.next";
  static constexpr const char* previous = Mutable ? "Iterator.previous" : "ConstIterator.previous";

  static constexpr auto stepForward =
      overloads(OverloadError{next, 3, C::template stepPrototypes<1>},
                candidate<R, C::template stepBy<1>>("size_t"), candidate<R, C::template step<1>>());
  static constexpr auto stepBack = overloads(
      OverloadError{previous, 3, C::template stepPrototypes<-1>},
      candidate<R, C::template stepBy<-1>>("size_t"), candidate<R, C::template step<-1>>());
  static constexpr auto minus =
      overloads(OverloadError{"__sub__.new", 2, C::minusPrototypes},
                candidate<R, C::minus>("ptrdiff_t"), candidate<R, C::distance>(C::otherText));
};

using ConstIteratorClass = IteratorClass<false>;
using MutableIteratorClass = IteratorClass<true>;

template <bool Mutable, auto Body, class... Texts>
constexpr MethodDef iteratorRow(const char* name, Texts... typeTexts) {
  return bodyRow<typename IteratorClass<Mutable>::Receiver, Body>(name, typeTexts...);
}

constexpr MethodDef kConstIteratorMethods[] = {
    iteratorRow<false, ConstIteratorClass::value>("value"),
    iteratorRow<false, ConstIteratorClass::dup>("dup"),
    iteratorRow<false, ConstIteratorClass::inspect>("inspect"),
    iteratorRow<false, ConstIteratorClass::toS>("to_s"),
    overloadedRow<IteratorOverloads<false>::stepForward>("next"),
    overloadedRow<IteratorOverloads<false>::stepBack>("previous"),
    MethodDef{"==", 1, ConstIteratorClass::equal, texts("swig::ConstIterator const &")},
    iteratorRow<false, ConstIteratorClass::plus>("+", "ptrdiff_t"),
    overloadedRow<IteratorOverloads<false>::minus>("-"),
};

constexpr MethodDef kIteratorMethods[] = {
    named(iteratorRow<true, MutableIteratorClass::setValue>("value=", "VALUE const &"), "setValue"),
    iteratorRow<true, MutableIteratorClass::dup>("dup"),
    overloadedRow<IteratorOverloads<true>::stepForward>("next"),
    overloadedRow<IteratorOverloads<true>::stepBack>("previous"),
    iteratorRow<true, MutableIteratorClass::inspect>("inspect"),
    iteratorRow<true, MutableIteratorClass::toS>("to_s"),
    MethodDef{"==", 1, MutableIteratorClass::equal, texts("swig::Iterator const &")},
    iteratorRow<true, MutableIteratorClass::plus>("+", "ptrdiff_t"),
    overloadedRow<IteratorOverloads<true>::minus>("-"),
};

}  // namespace

VALUE wrapIterator(std::unique_ptr<IteratorBase> iterator, bool asMutable) {
  VALUE container = iterator->container();
  VALUE wrapped =
      wrapOwned(std::move(iterator), descriptor(asMutable ? Type::Iterator : Type::ConstIterator));
  // The value-reference table is gone once the interpreter's end procedures ran (and
  // at_exit code still runs after that): the wrapper holds the container as well.
  keepOwnerAlive(wrapped, container);
  return wrapped;
}

VALUE newMapKeyIterator(VALUE map) {
  return wrapIterator(std::make_unique<MapIterator<false>>(map), false);
}
VALUE newMapValueIterator(VALUE map) {
  return wrapIterator(std::make_unique<MapIterator<true>>(map), false);
}

void defineIterators(VALUE module) {
  VALUE constIterator =
      defineWrappedClass(module, "ConstIterator", rb_cObject, constIteratorRecord,
                         Type::ConstIterator, nullptr, destroyIterator, markIterator);
  defineMethods<kConstIteratorMethods>(constIterator);
  VALUE iterator = defineWrappedClass(module, "Iterator", constIterator, iteratorRecord,
                                      Type::Iterator, nullptr, destroyIterator, markIterator);
  defineMethods<kIteratorMethods>(iterator);
}

}  // namespace orvax
