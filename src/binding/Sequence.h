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
#include "binding/Overload.h"
#include "binding/SequenceSupport.h"

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
    convertPointer(value, &p, descriptor(Type::Iterator), 0);
    auto* it = dynamic_cast<SequenceIterator<E>*>(static_cast<IteratorBase*>(p));
    if (!it || it->reverse() || it->sequence() != &v) {
      raiseArgumentError(kTypeError, call.def.texts[index], call.def.nameInMessages(), position,
                         value);
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
  using Plain = Arg<PlainParam>;
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

  // A prototype list of this class, expanded once.
  template <const char* Pattern>
  static const char* prototypes() {
    static const std::string text = expandElement(Pattern, Traits::element, Traits::className);
    return text.c_str();
  }

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

  static VALUE alias(VALUE s) { return wrapReference(type(), s, &resolveAlias<Traits::type>, 0); }
  static VALUE toRuby(const E& e) { return Element<E>::toRuby(e); }
  static VALUE at(const V& v, long i) {
    E e = v[static_cast<size_t>(i)];
    return toRuby(e);
  }
  static VALUE wrapNew(V&& contents) {
    return wrapOwned(std::make_unique<V>(std::move(contents)), type());
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
    if (isOk(Element<E>::convert(value, e))) return e;
    if (!rubyExceptionPending()) raise(rb_eTypeError, Element<E>::name);
    raise(rb_eArgError, formatTypeError("", Element<E>::name, methodName, position, value));
  }

  // Iterator arguments by where they may stand.
  using AnyIterator = OwnIterator<E, Reach::Anywhere>;
  using ElementIterator = OwnIterator<E, Reach::OnElement>;
  using InsertIterator = OwnIterator<E, Reach::OnElementOrEnd>;

  static VALUE newIterator(VALUE s, long i, bool reverse) {
    return wrapIterator(std::make_unique<It>(s, i, reverse), true);
  }

  // ---- methods ---------------------------------------------------------------------------

  // initialize: a second one refills the container in place, so iterators and
  // references to it stay valid.
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
  static RubyValue sliceMethod(V& v, int start, int length) { return {slice(v, start, length)}; }

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

  static RubyValue atMethod(V& v, int index) {
    long i = normaliseIndex(index, v.size());
    return {i < 0 ? Qnil : at(v, i)};
  }

  // The container is resolved again after the range is read: a duck-typed range or a
  // bound's `to_int` is Ruby code that may change or free it.
  static RubyValue range(const Call& call, V&, RubyValue given) {
    VALUE range = given.value;
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
  static RubyValue setSliceMethod(V& v, int start, int length, const V& given) {
    return {setSlice(v, start, length, given)};
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

  static RubyValue getAllocator(V&) {
    return {wrapOwned(std::make_unique<typename V::allocator_type>(),
                      descriptor(Traits::allocatorType))};
  }

  // begin (at 0), end (at size), rbegin (last, backwards), rend (before the first).
  template <bool Reverse, bool AtEnd>
  static VALUE position(const MethodDef& def, int, VALUE*, VALUE s) {
    auto n = static_cast<long>(self(def, s)->size());
    long i = Reverse ? (AtEnd ? -1 : n - 1) : (AtEnd ? n : 0);
    return newIterator(s, i, Reverse);
  }

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

  static void resizeFilling(V& v, unsigned n, PlainParam e) {
    E copy = e;  // `e` may refer into the receiver
    checkGrowth(n);
    v.resize(n, copy);
  }
  static void resize(V& v, unsigned n) { resizeFilling(v, n, E{}); }

  static long insertPosition(long i, const V& v) {
    if (i < 0) i += static_cast<long>(v.size());
    if (i < 0 || i > static_cast<long>(v.size())) raise(rb_eIndexError, "index out of range");
    return i;
  }

  // Elements converted one by one, each of which may run Ruby code: the container is
  // resolved again after them.
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
  static void insertCopies(V& v, InsertIterator at, unsigned n, PlainParam e) {
    E copy = e;  // `e` may refer into the receiver
    checkGrowth(v.size() + static_cast<unsigned long long>(n));
    v.insert(v.begin() + at.index, n, copy);
  }
  static RubyValue insertOne(const Call& call, V& v, InsertIterator at, PlainParam e) {
    insertCopies(v, at, 1, e);
    return {newIterator(call.self, at.index, false)};
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
      if (!isOk(Element<E>::convert(result, e))) {
        if (!rubyExceptionPending()) raise(rb_eTypeError, Element<E>::name);
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

// The overloaded methods: their candidates in the order they are tried.
template <class Traits>
struct SequenceOverloads {
  using S = Sequence<Traits>;
  using T = typename S::Text;
  using R = typename S::Receiver;
  template <const char* Pattern>
  static constexpr auto prototypes = &S::template prototypes<Pattern>;

  static constexpr auto initialize =
      overloads(OverloadError{T::newName, 2, prototypes<sequence_text::kInitialize>},
                constructorCandidate<S::makeEmpty>(), constructorCandidate<S::makeSized>(T::size),
                constructorCandidate<S::makeCopy>(T::constReference),
                constructorCandidate<S::makeFilled>(T::size, T::value));
  static constexpr auto getItem =
      overloads(OverloadError{"__getitem__", 4, prototypes<sequence_text::kGetItem>, true},
                candidate<R, S::sliceMethod>(T::difference, T::difference),
                candidate<R, S::atMethod>(T::difference), candidate<R, S::range>("VALUE"));
  static constexpr auto setItem = overloads(
      OverloadError{"__setitem__", 5, prototypes<sequence_text::kSetItem>, true},
      candidate<R, S::setAt>(T::difference, T::value),
      candidate<R, S::setSliceMethod>(T::difference, T::difference, T::fullConstReference));
  static constexpr auto erase = overloads(
      OverloadError{"erase", 4, prototypes<sequence_text::kErase>, true},
      candidate<R, S::eraseAt>(T::iterator), candidate<R, S::eraseRange>(T::iterator, T::iterator));
  static constexpr auto resize = overloads(
      OverloadError{T::resizeName, 4, prototypes<sequence_text::kResizePrototypes>, true},
      candidate<R, S::resize>(T::size), candidate<R, S::resizeFilling>(T::size, T::value));
  // By iterator, one element's error names it by the count's type text, as it always has.
  static constexpr auto insert =
      overloads(OverloadError{"insert", 5, prototypes<sequence_text::kInsertPrototypes>, true},
                candidate<R, S::insertValues>(T::difference),
                candidate<R, S::insertOne>(T::iterator, T::size),
                candidate<R, S::insertCopies>(T::iterator, T::size, T::value));
};

template <class Traits>
constexpr MethodDef kSequenceMethods[] = {
    overloadedRow<SequenceOverloads<Traits>::initialize>("initialize"),
    MethodDef{"dup", 0, Seq<Traits>::dup},
    MethodDef{"inspect", 0, Seq<Traits>::template text<true>},
    MethodDef{"to_a", 0, Seq<Traits>::toA},
    MethodDef{"to_s", 0, Seq<Traits>::template text<false>},
    bodyRow<typename Seq<Traits>::Receiver, Seq<Traits>::sliceMethod>(
        "slice", Seq<Traits>::Text::difference, Seq<Traits>::Text::difference),
    MethodDef{"each", 0, Seq<Traits>::each},
    MethodDef{"select", 0, Seq<Traits>::template filter<true>},
    MethodDef{"delete_at", 1, Seq<Traits>::deleteAt, texts(Seq<Traits>::Text::difference)},
    MethodDef{"__delete2__", 1, Seq<Traits>::delete2, texts(Seq<Traits>::Text::value)},
    MethodDef{"reject!", 0, Seq<Traits>::rejectBang},
    MethodDef{"pop", 0, Seq<Traits>::template take<true>},
    MethodDef{"push", 1, Seq<Traits>::push, texts(Seq<Traits>::Text::value)},
    MethodDef{"reject", 0, Seq<Traits>::template filter<false>},
    bodyRow<typename Seq<Traits>::Receiver, Seq<Traits>::atMethod>("at",
                                                                   Seq<Traits>::Text::difference),
    overloadedRow<SequenceOverloads<Traits>::getItem>("[]"),
    overloadedRow<SequenceOverloads<Traits>::setItem>("[]="),
    MethodDef{"shift", 0, Seq<Traits>::template take<false>},
    MethodDef{"unshift", -1, Seq<Traits>::unshift, texts(), Seq<Traits>::Text::unshift},
    MethodDef{"empty?", 0, Seq<Traits>::empty, texts(), "empty"},
    MethodDef{"size", 0, Seq<Traits>::size},
    MethodDef{"clear", 0, Seq<Traits>::clear},
    MethodDef{"swap", 1, Seq<Traits>::swap, texts(Seq<Traits>::Text::reference)},
    bodyRow<typename Seq<Traits>::Receiver, Seq<Traits>::getAllocator>("get_allocator"),
    MethodDef{"begin", 0, Seq<Traits>::template position<false, false>},
    MethodDef{"end", 0, Seq<Traits>::template position<false, true>},
    MethodDef{"rbegin", 0, Seq<Traits>::template position<true, false>},
    MethodDef{"rend", 0, Seq<Traits>::template position<true, true>},
    overloadedRow<SequenceOverloads<Traits>::erase>("erase"),
    MethodDef{"front", 0, Seq<Traits>::template end<false>},
    MethodDef{"back", 0, Seq<Traits>::template end<true>},
    MethodDef{"assign", 2, Seq<Traits>::assign,
              texts(Seq<Traits>::Text::size, Seq<Traits>::Text::value)},
    overloadedRow<SequenceOverloads<Traits>::resize>("resize"),
    overloadedRow<SequenceOverloads<Traits>::insert>("insert"),
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
