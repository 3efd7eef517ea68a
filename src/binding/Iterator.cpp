// ConstIterator and Iterator: the native iterator base, the map's closed iterators and
// the two Ruby classes.
#include "binding/Iterator.h"

#include <iterator>
#include <memory>

#include "binding/Classes.h"

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

  IteratorBase* dup() const override { return new MapIterator(*this); }

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
    void* p = nullptr;
    Status status = convertPointer(value, &p, type());
    if (!isOk(status)) raiseArgumentError(status, selfText, def.nameInMessages(), 1, value);
    if (!p)
      raiseArgumentError(Status::ObjectPreviouslyDeleted, selfText, def.nameInMessages(), 1, value);
    return static_cast<IteratorBase*>(p);
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
  static bool isIterator(VALUE value) {
    void* p = nullptr;
    return isOk(convertPointer(value, &p, type())) && p != nullptr;
  }

  static VALUE value(const MethodDef& def, int, VALUE*, VALUE s) { return self(def, s)->value(); }

  static VALUE setValue(const MethodDef& def, int, VALUE* argv, VALUE s) {
    return self(def, s)->setValue(argv[0]) ? argv[0] : Qnil;
  }

  static VALUE dup(const MethodDef& def, int, VALUE*, VALUE s) {
    return wrapIterator(self(def, s)->dup(), Mutable);
  }

  static VALUE inspect(const MethodDef& def, int, VALUE*, VALUE s) {
    return stringValue(self(def, s)->inspect());
  }
  static VALUE toS(const MethodDef& def, int, VALUE*, VALUE s) {
    return stringValue(self(def, s)->toString());
  }

  // next and previous move the iterator itself; the result refers to it.
  template <int Direction>
  static VALUE step(const MethodDef& def, int argc, VALUE* argv, VALUE s) {
    static const std::string prototypes = expandElement(
        Direction > 0 ? "    swig::%E * %E.next(size_t n)\n    swig::%E * %E.next()\n"
                      : "    swig::%E * %E.previous(size_t n)\n    swig::%E * %E.previous()\n",
        className);
    IteratorBase* it = nullptr;
    long n = 1;
    if (argc == 1 && isIterator(s) && Converter<unsigned>::check(argv[0])) {
      it = self(def, s);
      n = static_cast<long>(std::get<0>(convertArgs<unsigned>(def, argv)));
    } else if (argc == 0 && isIterator(s)) {
      it = self(def, s);
    } else {
      raiseOverloadError(argc + 1, 3, def.nameInMessages(), prototypes.c_str());
    }
    if (!it->advance(Direction * n)) return Qnil;
    VALUE alias = wrapPointer(it, type(), Ownership::Borrowed);
    keepOwnerAlive(alias, s);
    return alias;
  }

  static VALUE equal(const MethodDef& def, int, VALUE* argv, VALUE s) {
    IteratorBase* it = self(def, s);
    return it->equal(*other(def, argv[0], 2)) ? Qtrue : Qfalse;
  }

  static VALUE plus(const MethodDef& def, int, VALUE* argv, VALUE s) {
    IteratorBase* it = self(def, s);
    auto [n] = convertArgs<int>(def, argv);
    std::unique_ptr<IteratorBase> moved(it->dup());
    if (!moved->advance(n)) return Qnil;
    return wrapIterator(moved.release(), Mutable);
  }

  static VALUE minus(const MethodDef& def, int argc, VALUE* argv, VALUE s) {
    static const std::string prototypes = expandElement(
        "    __sub__.new(ptrdiff_t n)\n    __sub__.new(swig::%E const &x)\n", className);
    if (argc == 1 && isIterator(s) && Converter<int>::check(argv[0])) {
      IteratorBase* it = self(def, s);
      auto [n] = convertArgs<int>(def, argv);
      std::unique_ptr<IteratorBase> moved(it->dup());
      if (!moved->advance(-static_cast<long>(n))) return Qnil;
      return wrapIterator(moved.release(), Mutable);
    }
    if (argc == 1 && isIterator(s) && isIterator(argv[0])) {
      IteratorBase* it = self(def, s);
      return LONG2NUM(it->distance(*other(def, argv[0], 2)));
    }
    raiseOverloadError(argc + 1, 2, "__sub__.new", prototypes.c_str());
  }
};

using CI = IteratorClass<false>;
using MI = IteratorClass<true>;

constexpr MethodDef kConstIteratorMethods[] = {
    MethodDef{"value", 0, CI::value},
    MethodDef{"dup", 0, CI::dup},
    MethodDef{"inspect", 0, CI::inspect},
    MethodDef{"to_s", 0, CI::toS},
    MethodDef{"next", -1, CI::step<1>, texts("size_t"), "ConstIterator.next"},
    MethodDef{"previous", -1, CI::step<-1>, texts("size_t"), "ConstIterator.previous"},
    MethodDef{"==", 1, CI::equal, texts("swig::ConstIterator const &")},
    MethodDef{"+", 1, CI::plus, texts("ptrdiff_t")},
    MethodDef{"-", -1, CI::minus, texts("ptrdiff_t")},
};

constexpr MethodDef kIteratorMethods[] = {
    MethodDef{"value=", 1, MI::setValue, texts("VALUE const &"), "setValue"},
    MethodDef{"dup", 0, MI::dup},
    MethodDef{"next", -1, MI::step<1>, texts("size_t"), "Iterator.next"},
    MethodDef{"previous", -1, MI::step<-1>, texts("size_t"), "Iterator.previous"},
    MethodDef{"inspect", 0, MI::inspect},
    MethodDef{"to_s", 0, MI::toS},
    MethodDef{"==", 1, MI::equal, texts("swig::Iterator const &")},
    MethodDef{"+", 1, MI::plus, texts("ptrdiff_t")},
    MethodDef{"-", -1, MI::minus, texts("ptrdiff_t")},
};

}  // namespace

VALUE wrapIterator(IteratorBase* iterator, bool asMutable) {
  std::unique_ptr<IteratorBase> owned(iterator);
  VALUE wrapped = wrapPointer(
      owned.get(), descriptor(asMutable ? Type::Iterator : Type::ConstIterator), Ownership::Owned);
  owned.release();
  // The value-reference table is gone once the interpreter's end procedures ran (and
  // at_exit code still runs after that): the wrapper holds the container as well.
  keepOwnerAlive(wrapped, iterator->container());
  return wrapped;
}

VALUE newMapKeyIterator(VALUE map) { return wrapIterator(new MapIterator<false>(map), false); }
VALUE newMapValueIterator(VALUE map) { return wrapIterator(new MapIterator<true>(map), false); }

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
