#pragma once
// The sequence container classes (IntVector, DoubleVector, ...): one template, given a
// traits type per class that names its element type and what differs.
//
// Traits members: E (element type), type / allocatorType (descriptors), className,
// element (element spelling in type texts), mangled (element part of native method
// names), inspectType (container spelling in `inspect`), enumerable, extraMethods
// (map_bang and __delete__), recordElements (front/back refer to the stored record).
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "binding/Classes.h"
#include "binding/Iterator.h"
#include "binding/SequenceSupport.h"

namespace orvax {

namespace sequence_text {
inline constexpr char kOpen[] = "std::vector< ";
inline constexpr char kPointer[] = " > *";
inline constexpr char kDifference[] = " >::difference_type";
inline constexpr char kSize[] = " >::size_type";
inline constexpr char kValue[] = " >::value_type const &";
inline constexpr char kIterator[] = " >::iterator";
inline constexpr char kReference[] = " > &";
inline constexpr char kConstReference[] = " > const &";
inline constexpr char kAllocator[] = ",std::allocator< ";
inline constexpr char kAllocatorConstReference[] = " > > const &";
inline constexpr char kNative[] = "std_vector_Sl_";
inline constexpr char kUnshift[] = "_Sg__unshift";
inline constexpr char kInsert[] = "_Sg__insert__SWIG_0";
inline constexpr char kNew[] = ".new";
inline constexpr char kResize[] = ".resize";

inline constexpr char kGetItem[] =
    "    VALUE __getitem__(std::vector< %E >::difference_type i, std::vector< %E "
    ">::difference_type j)\n"
    "    VALUE __getitem__(std::vector< %E >::difference_type i)\n"
    "    VALUE __getitem__(VALUE i)\n";
inline constexpr char kSetItem[] =
    "    VALUE __setitem__(std::vector< %E >::difference_type i, std::vector< %E >::value_type "
    "const &x)\n"
    "    VALUE __setitem__(std::vector< %E >::difference_type i, std::vector< %E "
    ">::difference_type j, std::vector< %E,std::allocator< %E > > const &v)\n";
inline constexpr char kErase[] =
    "    std::vector< %E >::iterator erase(std::vector< %E >::iterator pos)\n"
    "    std::vector< %E >::iterator erase(std::vector< %E >::iterator first, std::vector< %E "
    ">::iterator last)\n";
inline constexpr char kInitialize[] =
    "    %C.new()\n"
    "    %C.new(std::vector< %E > const &)\n"
    "    %C.new(std::vector< %E >::size_type size)\n"
    "    %C.new(std::vector< %E >::size_type size, std::vector< %E >::value_type const &value)\n";
inline constexpr char kResizePrototypes[] =
    "    void %C.resize(std::vector< %E >::size_type new_size)\n"
    "    void %C.resize(std::vector< %E >::size_type new_size, std::vector< %E >::value_type "
    "const &x)\n";
inline constexpr char kInsertPrototypes[] =
    "    void insert(std::vector< %E >::difference_type pos, int argc, VALUE *argv, ...)\n"
    "    void insert(std::vector< %E >::iterator pos, std::vector< %E >::value_type const &x)\n"
    "    void insert(std::vector< %E >::iterator pos, std::vector< %E >::size_type n, "
    "std::vector< %E >::value_type const &x)\n";
}  // namespace sequence_text

// "std::vector< E" followed by a suffix.
template <const char* Element, const char* Suffix>
inline constexpr const char* kVectorText = kJoined<sequence_text::kOpen, Element, Suffix>.data;

template <class Traits>
struct Sequence {
  using E = typename Traits::E;
  using V = std::vector<E>;
  using PlainParam = PlainElementParam<E>;
  using Plain = Converter<PlainParam>;
  using It = SequenceIterator<E>;

  // Type texts of arguments and receiver, and native names used in messages.
  struct Text {
    static constexpr const char* self = kVectorText<Traits::element, sequence_text::kPointer>;
    static constexpr const char* difference =
        kVectorText<Traits::element, sequence_text::kDifference>;
    static constexpr const char* size = kVectorText<Traits::element, sequence_text::kSize>;
    static constexpr const char* value = kVectorText<Traits::element, sequence_text::kValue>;
    static constexpr const char* iterator = kVectorText<Traits::element, sequence_text::kIterator>;
    static constexpr const char* reference =
        kVectorText<Traits::element, sequence_text::kReference>;
    static constexpr const char* constReference =
        kVectorText<Traits::element, sequence_text::kConstReference>;
    static constexpr const char* fullConstReference =
        kJoined<sequence_text::kOpen, Traits::element, sequence_text::kAllocator, Traits::element,
                sequence_text::kAllocatorConstReference>.data;
    static constexpr const char* unshift =
        kJoined<sequence_text::kNative, Traits::mangled, sequence_text::kUnshift>.data;
    static constexpr const char* insert =
        kJoined<sequence_text::kNative, Traits::mangled, sequence_text::kInsert>.data;
    static constexpr const char* newName = kJoined<Traits::className, sequence_text::kNew>.data;
    static constexpr const char* resizeName =
        kJoined<Traits::className, sequence_text::kResize>.data;
  };

  static const char* prototypes(const char* pattern) {
    // One expansion per pattern and class, kept for the life of the process.
    static std::vector<std::pair<const char*, std::string>> cache;
    for (auto& entry : cache)
      if (entry.first == pattern) return entry.second.c_str();
    cache.emplace_back(pattern, expandElement(pattern, Traits::element, Traits::className));
    return cache.back().second.c_str();
  }

  static TypeDescriptor* type() { return descriptor(Traits::type); }

  static V* self(const MethodDef& def, VALUE s) {
    return static_cast<V*>(resolvedReceiver(Text::self, def.nameInMessages(), s, type()));
  }
  // The container now, or null once it is gone (checked again after every block call).
  static V* current(VALUE s) {
    V* v = nullptr;
    return isOk(convertResolvedAs(s, v, type())) ? v : nullptr;
  }
  static bool holds(VALUE s, long i) {
    V* v = current(s);
    return v && i >= 0 && i < static_cast<long>(v->size());
  }

  static VALUE alias(VALUE s) { return wrapReference(type(), s, &resolveAlias<Traits::type>, 0); }
  static VALUE toRuby(const E& e) { return Converter<E>::toRuby(e); }
  static VALUE at(const V& v, long i) {
    E e = v[static_cast<size_t>(i)];
    return toRuby(e);
  }
  static VALUE wrapNew(V&& contents) {
    auto owned = std::make_unique<V>(std::move(contents));
    VALUE wrapped = wrapPointer(owned.get(), type(), Ownership::Owned);
    owned.release();
    return wrapped;
  }
  static V copyRange(const V& v, long first, long last) {
    return V(v.begin() + first, v.begin() + last);
  }

  static E plain(const MethodDef& def, VALUE* argv, std::size_t index) {
    auto holder = convertArg<PlainParam>(def, index, argv[index], static_cast<int>(index) + 2);
    return Plain::pass(holder);
  }
  static unsigned count(const MethodDef& def, VALUE* argv, std::size_t index, int position) {
    unsigned n = convertArg<unsigned>(def, index, argv[index], position);
    return n;
  }
  static long index(const MethodDef& def, VALUE* argv, std::size_t i) {
    return convertArg<int>(def, i, argv[i], static_cast<int>(i) + 2);
  }

  // The element rule; `methodName` and `position` name the value when a Ruby exception
  // is being handled.
  static E element(VALUE value, const char* methodName, int position) {
    E e{};
    if (isOk(elementToNative<E>(value, e))) return e;
    if (!rubyExceptionPending()) raise(rb_eTypeError, Converter<E>::name);
    raise(rb_eArgError, formatTypeError("", Converter<E>::name, methodName, position, value));
  }

  static void overloadLimit(int count, int maxCount, const char* name, const char* pattern) {
    if (count > maxCount) raiseOverloadError(count, maxCount, name, prototypes(pattern));
  }

  // An iterator argument: an `Iterator` over this very container, forward.
  static bool isIterator(VALUE value) {
    void* p = nullptr;
    return isOk(convertPointer(value, &p, descriptor(Type::Iterator))) && p != nullptr;
  }
  static It& iterator(const MethodDef& def, VALUE value, int position, V* v) {
    void* p = nullptr;
    convertPointer(value, &p, descriptor(Type::Iterator));
    auto* it = dynamic_cast<It*>(static_cast<IteratorBase*>(p));
    if (!it || it->reverse() || it->sequence() != v) {
      raiseArgumentError(Status::TypeError, Text::iterator, def.nameInMessages(), position, value);
    }
    return *it;
  }
  // A whole sequence for an overload whose test it passed. nil passes that test (as a
  // null wrapper) and is refused here as a null reference.
  static const V& sequence(SequenceHolder<E>& holder, VALUE value, const char* typeText,
                           const char* name, int position) {
    convertSequence<E>(value, holder);
    if (holder.pointer == nullptr) raiseNullReference(typeText, name, position, value);
    return *holder.pointer;
  }

  static VALUE newIterator(VALUE s, long i, bool reverse) {
    return wrapIterator(new It(s, i, reverse), true);
  }

  // ---- methods ---------------------------------------------------------------------------

  static VALUE initialize(const MethodDef& def, int argc, VALUE* argv, VALUE s) {
    V built;
    if (argc == 0) {
    } else if (argc == 1 && Converter<unsigned>::check(argv[0])) {
      unsigned n = count(def, argv, 0, 1);
      checkGrowth(n);
      built.resize(n);
    } else if (argc == 1 && checkSequence<E>(argv[0])) {
      SequenceHolder<E> holder;
      built = sequence(holder, argv[0], Text::constReference, Text::newName, 1);
    } else if (argc == 2 && Converter<unsigned>::check(argv[0]) && Plain::check(argv[1])) {
      unsigned n = count(def, argv, 0, 1);
      auto holder = convertArg<PlainParam>(def, 1, argv[1], 2);
      checkGrowth(n);
      built.assign(n, Plain::pass(holder));
    } else {
      raiseOverloadError(argc, 2, Text::newName, prototypes(sequence_text::kInitialize));
    }
    // A second initialize refills the container in place: iterators and references
    // to it stay valid.
    if (V* existing = current(s)) {
      *existing = std::move(built);
    } else {
      DATA_PTR(s) = new V(std::move(built));
      RDATA(s)->dfree = static_cast<ClassRecord*>(type()->classRecord)->destroy;
    }
    return s;
  }

  static VALUE dup(const MethodDef& def, int, VALUE*, VALUE s) { return wrapNew(V(*self(def, s))); }

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

  static VALUE toA(const MethodDef& def, int, VALUE*, VALUE s) {
    V& v = *self(def, s);
    if constexpr (kBulkElement<E>) return bulkArray(v);
    VALUE array = newArray();
    for (long i = 0; holds(s, i); ++i) arrayPush(array, at(*current(s), i));
    return array;
  }

  static VALUE slice(const V& v, long start, long length) {
    if (length < 1) return Qnil;
    long i = normaliseIndex(start, v.size());
    if (i < 0) return Qnil;
    long last = static_cast<long>(
        std::min<long long>(static_cast<long long>(i) + length, static_cast<long long>(v.size())));
    return wrapNew(copyRange(v, i, last));
  }
  static VALUE sliceMethod(const MethodDef& def, int, VALUE* argv, VALUE s) {
    V* v = self(def, s);
    long start = index(def, argv, 0);
    return slice(*v, start, index(def, argv, 1));
  }

  static VALUE each(const MethodDef& def, int, VALUE*, VALUE s) {
    self(def, s);
    requireBlock();
    for (long i = 0; holds(s, i); ++i) yieldValue(at(*current(s), i));
    return alias(s);
  }

  // select (Keep) and reject (!Keep): a new container, the receiver unchanged.
  template <bool Keep>
  static VALUE filter(const MethodDef& def, int, VALUE*, VALUE s) {
    self(def, s);
    requireBlock();
    V kept;
    for (long i = 0; holds(s, i); ++i) {
      E e = (*current(s))[static_cast<size_t>(i)];
      if (RTEST(yieldValue(toRuby(e))) == Keep) kept.push_back(e);
    }
    return wrapNew(std::move(kept));
  }

  static VALUE rejectBang(const MethodDef& def, int, VALUE*, VALUE s) {
    self(def, s);
    requireBlock();
    for (long i = 0; holds(s, i);) {
      bool drop = RTEST(yieldValue(at(*current(s), i)));
      if (drop && holds(s, i)) {
        V* v = current(s);
        v->erase(v->begin() + i);
      } else {
        ++i;
      }
    }
    return alias(s);
  }

  static VALUE deleteAt(const MethodDef& def, int, VALUE* argv, VALUE s) {
    V* v = self(def, s);
    long i = normaliseIndex(index(def, argv, 0), v->size());
    if (i < 0) return Qnil;
    VALUE removed = at(*v, i);
    v->erase(v->begin() + i);
    return removed;
  }

  static VALUE delete2(const MethodDef& def, int, VALUE* argv, VALUE s) {
    self(def, s);
    plain(def, argv, 0);
    return Qnil;
  }

  template <bool Last>
  static VALUE take(const MethodDef& def, int, VALUE*, VALUE s) {
    V* v = self(def, s);
    if (v->empty()) return Qnil;
    long i = Last ? static_cast<long>(v->size()) - 1 : 0;
    VALUE removed = at(*v, i);
    v->erase(v->begin() + i);
    return removed;
  }

  static VALUE push(const MethodDef& def, int, VALUE* argv, VALUE s) {
    V* v = self(def, s);
    E e = plain(def, argv, 0);
    checkGrowth(v->size() + 1ULL);
    v->push_back(e);
    return toRuby(e);
  }

  static VALUE atMethod(const MethodDef& def, int, VALUE* argv, VALUE s) {
    V* v = self(def, s);
    long i = normaliseIndex(index(def, argv, 0), v->size());
    return i < 0 ? Qnil : at(*v, i);
  }

  // `s` is resolved only after the range is read: a duck-typed range or a bound's
  // `to_int` is Ruby code that may change or free the container.
  static VALUE range(const MethodDef& def, VALUE s, VALUE range) {
    self(def, s);
    long first = 0, last = 0;
    int exclusive = 0;
    bool isRange = protect([&] {
      VALUE b, e;
      if (!RTEST(rb_range_values(range, &b, &e, &exclusive))) return false;
      first = readLong32(b);
      last = readLong32(e);
      return true;
    });
    if (!isRange) raise(rb_eTypeError, "not a valid index or range");
    const V& v = *self(def, s);
    auto n = static_cast<long>(v.size());
    if (first < 0) {
      first += n;
      if (first < 0) return Qnil;
    } else if (first >= n) {
      return Qnil;
    }
    if (last < 0) last += n;
    if (last < first) return Qnil;
    if (exclusive) last -= 1;
    last = std::min(last, n - 1);
    return wrapNew(last < first ? V() : copyRange(v, first, last + 1));
  }

  static VALUE getItem(const MethodDef& def, int argc, VALUE* argv, VALUE s) {
    overloadLimit(argc + 1, 4, "__getitem__", sequence_text::kGetItem);
    if (argc == 2 && Converter<int>::check(argv[0]) && Converter<int>::check(argv[1])) {
      return sliceMethod(def, argc, argv, s);
    }
    if (argc == 1 && Converter<int>::check(argv[0])) return atMethod(def, argc, argv, s);
    if (argc == 1) return range(def, s, argv[0]);
    raiseOverloadError(argc + 1, 4, "__getitem__", prototypes(sequence_text::kGetItem));
  }

  // v[start, length] = elements, like Ruby's Array#[]=: a negative start counts from the
  // end (still negative: IndexError); the run [start, start + length), cut at the end, is
  // replaced by the elements, so the receiver grows or shrinks by their count less the
  // run's; a start past the end first pads with zero elements. length < 1 changes nothing
  // and gives nil; otherwise the result is a new container of the given elements.
  static VALUE setSlice(V& v, long start, long length, const V& given) {
    if (length < 1) return Qnil;
    V elements(given);  // `given` may be the receiver itself
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
    return wrapNew(std::move(elements));
  }

  static VALUE setItem(const MethodDef& def, int argc, VALUE* argv, VALUE s) {
    overloadLimit(argc + 1, 5, "__setitem__", sequence_text::kSetItem);
    if (argc == 2 && Converter<int>::check(argv[0]) && Plain::check(argv[1])) {
      V* v = self(def, s);
      long i = index(def, argv, 0);
      E e = plain(def, argv, 1);
      if (i >= static_cast<long>(v->size())) {
        checkGrowth(static_cast<unsigned long long>(i) + 1);
        v->resize(static_cast<size_t>(i) + 1, e);
      } else if (i >= 0) {
        (*v)[static_cast<size_t>(i)] = e;
      }
      return toRuby(e);
    }
    if (argc == 3 && Converter<int>::check(argv[0]) && Converter<int>::check(argv[1]) &&
        checkSequence<E>(argv[2])) {
      V* v = self(def, s);
      long start = index(def, argv, 0);
      long length = index(def, argv, 1);
      SequenceHolder<E> holder;
      return setSlice(*v, start, length,
                      sequence(holder, argv[2], Text::fullConstReference, "__setitem__", 4));
    }
    raiseOverloadError(argc + 1, 5, "__setitem__", prototypes(sequence_text::kSetItem));
  }

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

  static VALUE empty(const MethodDef& def, int, VALUE*, VALUE s) {
    return self(def, s)->empty() ? Qtrue : Qfalse;
  }
  static VALUE size(const MethodDef& def, int, VALUE*, VALUE s) {
    return ULONG2NUM(self(def, s)->size());
  }
  static VALUE capacity(const MethodDef& def, int, VALUE*, VALUE s) {
    return ULONG2NUM(self(def, s)->capacity());
  }
  static VALUE clear(const MethodDef& def, int, VALUE*, VALUE s) {
    self(def, s)->clear();
    return Qnil;
  }

  static VALUE swap(const MethodDef& def, int, VALUE* argv, VALUE s) {
    V* v = self(def, s);
    auto [other] = convertArgs<V&>(def, argv);
    if (other != v) v->swap(*other);
    return Qnil;
  }

  static VALUE getAllocator(const MethodDef& def, int, VALUE*, VALUE s) {
    self(def, s);
    auto allocator = std::make_unique<typename V::allocator_type>();
    VALUE wrapped = wrapOwnedOpaque(allocator.get(), descriptor(Traits::allocatorType));
    allocator.release();
    return wrapped;
  }

  // begin (at 0), end (at size), rbegin (last, backwards), rend (before the first).
  template <bool Reverse, bool AtEnd>
  static VALUE position(const MethodDef& def, int, VALUE*, VALUE s) {
    auto n = static_cast<long>(self(def, s)->size());
    long i = Reverse ? (AtEnd ? -1 : n - 1) : (AtEnd ? n : 0);
    return newIterator(s, i, Reverse);
  }

  static VALUE erase(const MethodDef& def, int argc, VALUE* argv, VALUE s) {
    overloadLimit(argc + 1, 4, "erase", sequence_text::kErase);
    if (argc == 1 && isIterator(argv[0])) {
      V* v = self(def, s);
      long i = iterator(def, argv[0], 2, v).index();
      if (i < 0 || i >= static_cast<long>(v->size()))
        raise(rb_eIndexError, "iterator out of range");
      v->erase(v->begin() + i);
      return newIterator(s, i, false);
    }
    if (argc == 2 && isIterator(argv[0]) && isIterator(argv[1])) {
      V* v = self(def, s);
      long first = iterator(def, argv[0], 2, v).index();
      long last = iterator(def, argv[1], 3, v).index();
      if (first < 0 || first > last || last > static_cast<long>(v->size())) {
        raise(rb_eIndexError, "iterator out of range");
      }
      v->erase(v->begin() + first, v->begin() + last);
      return newIterator(s, first, false);
    }
    raiseOverloadError(argc + 1, 4, "erase", prototypes(sequence_text::kErase));
  }

  // front and back: a record is given as a reference to the stored one.
  template <bool Back>
  static VALUE end(const MethodDef& def, int, VALUE*, VALUE s) {
    V* v = self(def, s);
    if (v->empty()) return Qnil;
    long i = Back ? static_cast<long>(v->size()) - 1 : 0;
    if constexpr (Traits::recordElements) {
      return wrapReference(descriptorOf<E>(), s, &resolveElement, i);
    } else {
      return at(*v, i);
    }
  }
  static void* resolveElement(VALUE owner, long i) {
    V* v = current(owner);
    return v && i >= 0 && i < static_cast<long>(v->size()) ? &(*v)[static_cast<size_t>(i)]
                                                           : nullptr;
  }

  static VALUE assign(const MethodDef& def, int, VALUE* argv, VALUE s) {
    V* v = self(def, s);
    unsigned n = count(def, argv, 0, 2);
    E e = plain(def, argv, 1);
    checkGrowth(n);
    v->assign(n, e);
    return Qnil;
  }

  static VALUE resize(const MethodDef& def, int argc, VALUE* argv, VALUE s) {
    overloadLimit(argc + 1, 4, Text::resizeName, sequence_text::kResizePrototypes);
    if ((argc == 1 && Converter<unsigned>::check(argv[0])) ||
        (argc == 2 && Converter<unsigned>::check(argv[0]) && Plain::check(argv[1]))) {
      V* v = self(def, s);
      unsigned n = count(def, argv, 0, 2);
      E e = argc == 2 ? plain(def, argv, 1) : E{};
      checkGrowth(n);
      v->resize(n, e);
      return Qnil;
    }
    raiseOverloadError(argc + 1, 4, Text::resizeName, prototypes(sequence_text::kResizePrototypes));
  }

  static long insertPosition(long i, const V& v) {
    if (i < 0) i += static_cast<long>(v.size());
    if (i < 0 || i > static_cast<long>(v.size())) raise(rb_eIndexError, "index out of range");
    return i;
  }

  static VALUE insert(const MethodDef& def, int argc, VALUE* argv, VALUE s) {
    overloadLimit(argc + 1, 5, "insert", sequence_text::kInsertPrototypes);
    if (argc >= 2 && Converter<int>::check(argv[0])) {
      V* v = self(def, s);
      long i = insertPosition(index(def, argv, 0), *v);
      V values;
      for (int k = 1; k < argc; ++k) values.push_back(element(argv[k], Text::insert, k + 1));
      v = self(def, s);
      checkGrowth(v->size() + values.size());
      v->insert(v->begin() + i, values.begin(), values.end());
      return alias(s);
    }
    if ((argc == 2 && isIterator(argv[0]) && Plain::check(argv[1])) ||
        (argc == 3 && isIterator(argv[0]) && Converter<unsigned>::check(argv[1]) &&
         Plain::check(argv[2]))) {
      V* v = self(def, s);
      long i = iterator(def, argv[0], 2, v).index();
      if (i < 0 || i > static_cast<long>(v->size())) raise(rb_eIndexError, "iterator out of range");
      unsigned n = argc == 3 ? count(def, argv, 1, 3) : 1;
      E e = plain(def, argv, static_cast<std::size_t>(argc - 1));
      checkGrowth(v->size() + static_cast<unsigned long long>(n));
      v->insert(v->begin() + i, n, e);
      return argc == 2 ? newIterator(s, i, false) : Qnil;
    }
    raiseOverloadError(argc + 1, 5, "insert", prototypes(sequence_text::kInsertPrototypes));
  }

  static VALUE reserve(const MethodDef& def, int, VALUE* argv, VALUE s) {
    V* v = self(def, s);
    unsigned n = count(def, argv, 0, 2);
    checkGrowth(n);
    v->reserve(n);
    return Qnil;
  }

  static VALUE mapBang(const MethodDef& def, int, VALUE*, VALUE s) {
    self(def, s);
    requireBlock("No block given");
    for (long i = 0; holds(s, i); ++i) {
      VALUE result = yieldValue(at(*current(s), i));
      E e{};
      if (!isOk(elementToNative<E>(result, e))) {
        if (!rubyExceptionPending()) raise(rb_eTypeError, Converter<E>::name);
        raise(rb_eTypeError, "Yield block did not return a valid element for std::vector");
      }
      if (holds(s, i)) (*current(s))[static_cast<size_t>(i)] = e;
    }
    return alias(s);
  }

  static VALUE deleteValue(const MethodDef& def, int, VALUE* argv, VALUE s) {
    V* v = self(def, s);
    E e = plain(def, argv, 0);
    auto kept = std::remove(v->begin(), v->end(), e);
    if (kept != v->end()) {
      v->erase(kept, v->end());
      return argv[0];
    }
    return rb_block_given_p() ? yieldValue(Qnil) : Qnil;
  }

  static void define(VALUE module, ClassRecord& record);
};

template <class Traits>
using Seq = Sequence<Traits>;

template <class Traits>
constexpr MethodDef kSequenceMethods[] = {
    MethodDef{"initialize", -1, Seq<Traits>::initialize,
              texts(Seq<Traits>::Text::size, Seq<Traits>::Text::value), Seq<Traits>::Text::newName},
    MethodDef{"dup", 0, Seq<Traits>::dup},
    MethodDef{"inspect", 0, Seq<Traits>::template text<true>},
    MethodDef{"to_a", 0, Seq<Traits>::toA},
    MethodDef{"to_s", 0, Seq<Traits>::template text<false>},
    MethodDef{"slice", 2, Seq<Traits>::sliceMethod,
              texts(Seq<Traits>::Text::difference, Seq<Traits>::Text::difference)},
    MethodDef{"each", 0, Seq<Traits>::each},
    MethodDef{"select", 0, Seq<Traits>::template filter<true>},
    MethodDef{"delete_at", 1, Seq<Traits>::deleteAt, texts(Seq<Traits>::Text::difference)},
    MethodDef{"__delete2__", 1, Seq<Traits>::delete2, texts(Seq<Traits>::Text::value)},
    MethodDef{"reject!", 0, Seq<Traits>::rejectBang},
    MethodDef{"pop", 0, Seq<Traits>::template take<true>},
    MethodDef{"push", 1, Seq<Traits>::push, texts(Seq<Traits>::Text::value)},
    MethodDef{"reject", 0, Seq<Traits>::template filter<false>},
    MethodDef{"at", 1, Seq<Traits>::atMethod, texts(Seq<Traits>::Text::difference)},
    MethodDef{"[]", -1, Seq<Traits>::getItem,
              texts(Seq<Traits>::Text::difference, Seq<Traits>::Text::difference), "__getitem__"},
    MethodDef{"[]=", -1, Seq<Traits>::setItem,
              texts(Seq<Traits>::Text::difference, Seq<Traits>::Text::value), "__setitem__"},
    MethodDef{"shift", 0, Seq<Traits>::template take<false>},
    MethodDef{"unshift", -1, Seq<Traits>::unshift, texts(), Seq<Traits>::Text::unshift},
    MethodDef{"empty?", 0, Seq<Traits>::empty, texts(), "empty"},
    MethodDef{"size", 0, Seq<Traits>::size},
    MethodDef{"clear", 0, Seq<Traits>::clear},
    MethodDef{"swap", 1, Seq<Traits>::swap, texts(Seq<Traits>::Text::reference)},
    MethodDef{"get_allocator", 0, Seq<Traits>::getAllocator},
    MethodDef{"begin", 0, Seq<Traits>::template position<false, false>},
    MethodDef{"end", 0, Seq<Traits>::template position<false, true>},
    MethodDef{"rbegin", 0, Seq<Traits>::template position<true, false>},
    MethodDef{"rend", 0, Seq<Traits>::template position<true, true>},
    MethodDef{"erase", -1, Seq<Traits>::erase, texts(), "erase"},
    MethodDef{"front", 0, Seq<Traits>::template end<false>},
    MethodDef{"back", 0, Seq<Traits>::template end<true>},
    MethodDef{"assign", 2, Seq<Traits>::assign,
              texts(Seq<Traits>::Text::size, Seq<Traits>::Text::value)},
    MethodDef{"resize", -1, Seq<Traits>::resize,
              texts(Seq<Traits>::Text::size, Seq<Traits>::Text::value),
              Seq<Traits>::Text::resizeName},
    MethodDef{
        "insert", -1, Seq<Traits>::insert,
        texts(Seq<Traits>::Text::difference, Seq<Traits>::Text::size, Seq<Traits>::Text::value),
        "insert"},
    MethodDef{"reserve", 1, Seq<Traits>::reserve, texts(Seq<Traits>::Text::size)},
    MethodDef{"capacity", 0, Seq<Traits>::capacity},
};

template <class Traits>
constexpr MethodDef kSequenceExtraMethods[] = {
    MethodDef{"map_bang", 0, Seq<Traits>::mapBang},
    MethodDef{"__delete__", 1, Seq<Traits>::deleteValue, texts(Seq<Traits>::Text::value)},
};

void includeEnumerable(VALUE klass);
void defineAliases(VALUE klass, std::initializer_list<std::pair<const char*, const char*>> pairs);

template <class Traits>
void Sequence<Traits>::define(VALUE module, ClassRecord& record) {
  VALUE klass =
      defineWrappedClass(module, Traits::className, rb_cObject, record, Traits::type,
                         allocateFor<Traits::type>, [](void* p) { delete static_cast<V*>(p); });
  if constexpr (Traits::enumerable) includeEnumerable(klass);
  defineMethods<kSequenceMethods<Traits>>(klass);
  if constexpr (Traits::extraMethods) defineMethods<kSequenceExtraMethods<Traits>>(klass);
  defineAliases(klass, {{"delete_if", "reject!"}, {"<<", "push"}});
}

}  // namespace orvax
