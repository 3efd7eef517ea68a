#pragma once
// Conversions between Ruby values and native values: one converter per native type.
//
// Converter<T> converts the native type T, in the directions T is used in:
//   Holder               what toNative produces and keeps for the call
//   toNative(v, holder)  the conversion; its Status says how it failed
//   check(v)             whether v would convert (overload tests; keeps nothing)
//   pass(holder)         the value handed to native code as T
//   refusesNull, isNull  a reference: a conversion that yields no object is refused
//   toRuby(value)        a native T as a Ruby value (result and element types)
//   name                 the element spelling in errors (element types of sequences)
// Turning a failed Status into a Ruby error is done in one place (Errors.h).
#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "binding/Errors.h"
#include "binding/SequenceSupport.h"
#include "binding/TypeTable.h"
#include "binding/Wrapper.h"
#include "portable/GeometryRecords.h"
#include "portable/Utf16.h"

class MyNativeClass;
class INativeToRuby;

namespace orvax {

using StringMap = std::map<std::string, std::string>;

// Passes a Ruby value through unchanged.
struct RubyValue {
  VALUE value;
};

// Native types that wrapper objects carry, and their descriptors.
template <class T>
struct WrappedType;
#define ORVAX_NOT_WRAPPED(...)
#define ORVAX_WRAPPED(id, mangled, readable, native) \
  template <>                                        \
  struct WrappedType<native> {                       \
    static constexpr Type type = Type::id;           \
  };
ORVAX_TYPE_LIST(ORVAX_NOT_WRAPPED, ORVAX_WRAPPED)
#undef ORVAX_WRAPPED
#undef ORVAX_NOT_WRAPPED

template <class T>
TypeDescriptor* descriptorOf() {
  return descriptor(WrappedType<T>::type);
}

// ---- scalars ----------------------------------------------------------------------

// Big integers and Integers as Floats, through the interpreter (out of line: rare).
bool readBigSigned(VALUE v, long long& out);
bool readBigDouble(VALUE v, double& out);

// Reads an Integer as a signed value in [lo, hi]; big integers go through the
// interpreter, whose range errors are swallowed.
inline bool readSigned(VALUE v, long long lo, long long hi, long long& out) {
  long long value;
  if (RB_FIXNUM_P(v)) {
    value = FIX2LONG(v);
  } else if (!readBigSigned(v, value)) {
    return false;
  }
  if (value < lo || value > hi) return false;
  out = value;
  return true;
}
// Reads an Integer as an unsigned value the way the interpreter's unsigned conversion
// of `bits` width does: negative values down to -2^(bits-1) wrap around.
bool readUnsigned(VALUE v, int bits, unsigned long long& out);
// The value of a Float held in the reference itself (a flonum): the interpreter's own
// reading is a call into it, too slow for a million elements.
inline double flonumValue(VALUE v) {
  const VALUE bits = (2 - (v >> 63)) | (v & ~static_cast<VALUE>(3));
  union {
    std::uint64_t bits;
    double value;
  } rotated{(bits >> 3) | (bits << 61)};
  return v == static_cast<VALUE>(0x8000000000000002ULL) ? 0.0 : rotated.value;
}

inline bool readDouble(VALUE v, double& out) {
#if USE_FLONUM
  if (RB_FLONUM_P(v)) {
    out = flonumValue(v);
    return true;
  }
#endif
  if (RB_FLOAT_TYPE_P(v)) {
    out = RFLOAT_VALUE(v);
    return true;
  }
  if (RB_FIXNUM_P(v)) {
    out = static_cast<double>(FIX2LONG(v));
    return true;
  }
  return readBigDouble(v, out);
}
// The interpreter's long conversion as it behaves where `long` has 32 bits (64-bit
// Windows): a wider value raises the RangeError it raises there, on every platform.
// It raises, so it runs inside protect.
long readLong32(VALUE v);

template <class T, class Enable = void>
struct Converter;

// check() of a converter whose conversion keeps nothing but its holder.
template <class Self>
struct CheckedByConversion {
  static bool check(VALUE v) {
    typename Self::Holder h{};
    return isOk(Self::toNative(v, h));
  }
};

// A converter whose holder is the native value itself.
template <class T>
struct ValueConverter : CheckedByConversion<Converter<T>> {
  using Holder = T;
  static constexpr bool refusesNull = false;
  static T pass(Holder& h) { return h; }
  static bool isNull(const Holder&) { return false; }
};

template <>
struct Converter<int> : ValueConverter<int> {
  static constexpr const char* name = "int";
  static Status toNative(VALUE v, int& out) {
    long long value;
    if (!readSigned(v, INT_MIN, INT_MAX, value)) return Status::TypeError;
    out = static_cast<int>(value);
    return Status::Ok;
  }
  static VALUE toRuby(int v) { return INT2NUM(v); }
};
template <>
struct Converter<unsigned> : ValueConverter<unsigned> {
  static Status toNative(VALUE v, unsigned& out) {
    unsigned long long value;
    if (!readUnsigned(v, 32, value)) return Status::TypeError;
    out = static_cast<unsigned>(value);
    return Status::Ok;
  }
  static VALUE toRuby(unsigned v) { return UINT2NUM(v); }
};
template <>
struct Converter<long long> : ValueConverter<long long> {
  static Status toNative(VALUE v, long long& out) {
    return readSigned(v, LLONG_MIN, LLONG_MAX, out) ? Status::Ok : Status::TypeError;
  }
  static VALUE toRuby(long long v) { return LL2NUM(v); }
};
template <>
struct Converter<unsigned long long> : ValueConverter<unsigned long long> {
  static Status toNative(VALUE v, unsigned long long& out) {
    return readUnsigned(v, 64, out) ? Status::Ok : Status::TypeError;
  }
  static VALUE toRuby(unsigned long long v) { return ULL2NUM(v); }
};
template <>
struct Converter<double> : ValueConverter<double> {
  static constexpr const char* name = "double";
  static Status toNative(VALUE v, double& out) {
    return readDouble(v, out) ? Status::Ok : Status::TypeError;
  }
  static constexpr bool fits(double) { return true; }
  static VALUE toRuby(double v) { return DBL2NUM(v); }
};
template <>
struct Converter<float> : ValueConverter<float> {
  static constexpr const char* name = "float";
  static Status toNative(VALUE v, float& out) {
    double value;
    if (!readDouble(v, value)) return Status::TypeError;
    if (!fits(value)) return Status::OverflowError;
    out = static_cast<float>(value);
    return Status::Ok;
  }
  // Infinities and NaN stay what they are; a finite value beyond the float range is refused.
  // Without branches: the bulk reading tests a block of values with it.
  static bool fits(double value) { return !(std::fabs(value) > FLT_MAX) | std::isinf(value); }
  static VALUE toRuby(float v) { return DBL2NUM(static_cast<double>(v)); }
};
template <>
struct Converter<bool> : ValueConverter<bool> {
  static constexpr const char* name = "bool";
  static Status toNative(VALUE v, bool& out) {
    if (v == Qtrue) {
      out = true;
    } else if (v == Qfalse) {
      out = false;
    } else if (RB_FIXNUM_P(v)) {
      out = FIX2LONG(v) != 0;
    } else if (RB_TYPE_P(v, T_BIGNUM)) {
      out = true;  // a big integer is never zero
    } else {
      return Status::TypeError;
    }
    return Status::Ok;
  }
  static VALUE toRuby(bool v) { return v ? Qtrue : Qfalse; }
};

// A Ruby value passed through unchanged, both ways (a body that builds its Ruby result
// itself returns one).
template <>
struct Converter<RubyValue> : ValueConverter<RubyValue> {
  static Status toNative(VALUE v, RubyValue& h) {
    h.value = v;
    return Status::Ok;
  }
  static bool check(VALUE) { return true; }
  static VALUE toRuby(const RubyValue& v) { return v.value; }
};

// ---- texts --------------------------------------------------------------------------

struct TextHolder {
  std::string text;
  bool present = false;
};
// A String's bytes, or the zero-terminated text of an opaque character pointer; nil and
// a null character pointer yield no text.
Status convertText(VALUE v, TextHolder& out);
VALUE textToRuby(const std::string& text);

// A text by constant reference: no text (nil) is a null reference.
template <>
struct Converter<const std::string&> : CheckedByConversion<Converter<const std::string&>> {
  using Holder = TextHolder;
  static constexpr bool refusesNull = true;
  static Status toNative(VALUE v, Holder& h) { return convertText(v, h); }
  static const std::string& pass(Holder& h) { return h.text; }
  static bool isNull(const Holder& h) { return !h.present; }
};
// A text by value: no text is a type error.
template <>
struct Converter<std::string> : CheckedByConversion<Converter<std::string>> {
  using Holder = TextHolder;
  static constexpr bool refusesNull = false;
  static constexpr const char* name = "std::string";
  static Status toNative(VALUE v, Holder& h) {
    Status status = convertText(v, h);
    return isOk(status) && !h.present ? Status::TypeError : status;
  }
  static std::string pass(Holder& h) { return std::move(h.text); }
  static bool isNull(const Holder&) { return false; }
  static VALUE toRuby(const std::string& v) { return textToRuby(v); }
};

// ---- wrapped objects --------------------------------------------------------------------

// Wrapped objects by pointer (nil allowed) and by reference (nil refused).
template <class T>
struct PointerConverter : CheckedByConversion<PointerConverter<T>> {
  using Holder = T*;
  static Status toNative(VALUE v, Holder& h) {
    void* p = nullptr;
    Status status = convertPointer(v, &p, descriptorOf<std::remove_const_t<T>>());
    h = static_cast<T*>(p);
    return status;
  }
  static bool isNull(const Holder& h) { return h == nullptr; }
};
template <class T>
struct Converter<T*, std::enable_if_t<std::is_class_v<T>>> : PointerConverter<T> {
  static constexpr bool refusesNull = false;
  static T* pass(T* h) { return h; }
};

// An untyped pointer ("void *"): nil or any wrapped object.
template <>
struct Converter<void*> : CheckedByConversion<Converter<void*>> {
  using Holder = void*;
  static constexpr bool refusesNull = false;
  static Status toNative(VALUE v, Holder& h) { return convertPointer(v, &h, nullptr); }
  static void* pass(Holder h) { return h; }
  static bool isNull(const Holder& h) { return h == nullptr; }
};

template <>
struct Converter<INativeToRuby&> : PointerConverter<INativeToRuby> {
  static constexpr bool refusesNull = true;
  static INativeToRuby& pass(INativeToRuby* h) { return *h; }
};
// Wide texts: in as wrapped objects only, out as UTF-8 Strings.
template <>
struct Converter<WideString> : PointerConverter<WideString> {
  static constexpr bool refusesNull = true;
  static WideString pass(WideString* h) { return *h; }
  static VALUE toRuby(const WideString& v) { return textToRuby(unitsToUtf8(v)); }
};

// A wrapped record or container by reference, found through reference wrappers; nil
// is refused. `NilPassesCheck`: overload tests let nil through to the null error.
template <class T, bool NilPassesCheck = false>
struct ResolvedRefConverter {
  using Holder = T*;
  static constexpr bool refusesNull = true;
  static Status toNative(VALUE v, Holder& h) { return convertResolvedAs(v, h, descriptorOf<T>()); }
  static bool check(VALUE v) {
    Holder h = nullptr;
    return isOk(toNative(v, h)) && (NilPassesCheck || h != nullptr);
  }
  static T& pass(Holder h) { return *h; }
  static bool isNull(const Holder& h) { return h == nullptr; }
};

// Records by value are copied in and out; a record read out is a new object owning its
// copy (a section plane has no Ruby class: its opaque object owns the copy all the same).
template <class R>
struct RecordConverter : ResolvedRefConverter<R> {
  static R pass(R* h) { return *h; }
  static VALUE toRuby(const R& v) { return wrapOwned(std::make_unique<R>(v), descriptorOf<R>()); }
};
template <>
struct Converter<ClippingBox> : RecordConverter<ClippingBox> {
  static constexpr const char* name = "ClippingBox";
};
template <>
struct Converter<SectionPlane> : RecordConverter<SectionPlane> {
  static constexpr const char* name = "SectionPlane";
};
template <>
struct Converter<const ClippingBox&> : ResolvedRefConverter<ClippingBox> {};
template <>
struct Converter<const SectionPlane&> : ResolvedRefConverter<SectionPlane> {};

// ---- sequences -----------------------------------------------------------------------

// One element of a sequence by the element type's own conversion; no object (nil for a
// text or a record) is a failure.
template <class E>
Status elementToNative(VALUE v, E& out) {
  using C = Converter<E>;
  typename C::Holder h{};
  Status status = C::toNative(v, h);
  if (!isOk(status)) return status;
  if (C::isNull(h)) return Status::Error;
  out = C::pass(h);
  return Status::Ok;
}
// The element rule of the sequence methods: a failed element is a TypeError naming the
// element type, unless a Ruby exception is being handled (`$!` is set); then the failure
// is returned and the caller reports it in its own words.
template <class E>
Status readElement(VALUE v, E& out) {
  Status status = elementToNative<E>(v, out);
  if (!isOk(status) && !rubyExceptionPending()) raise(rb_eTypeError, Converter<E>::name);
  return status;
}

// The parameter type that takes one element the plain way (push, []=, assign, ...).
template <class E>
struct PlainElement {
  using type = E;
};
template <>
struct PlainElement<std::string> {
  using type = const std::string&;
};
template <>
struct PlainElement<ClippingBox> {
  using type = const ClippingBox&;
};
template <>
struct PlainElement<SectionPlane> {
  using type = const SectionPlane&;
};
template <class E>
using PlainElementParam = typename PlainElement<E>::type;

// Elements whose conversions run no Ruby code and leave no C++ object alive across an
// interpreter call: whole sequences of them convert in one pass, under one protection.
template <class E>
inline constexpr bool kBulkElement = std::is_arithmetic_v<E> || std::is_same_v<E, std::string>;

// A Ruby value for one element; it may raise, so it runs under protection.
template <class E>
VALUE newElementValue(const E& e) {
  if constexpr (std::is_same_v<E, std::string>) {
    return rb_str_new(e.data(), static_cast<long>(e.size()));
  } else {
    return Converter<E>::toRuby(e);
  }
}

// A new Array holding `v`'s elements: allocated once at its final size and filled in
// chunks. A chunk sits on the machine stack, which the collector scans, so the values
// made for it stay alive until the Array holds them.
template <class E>
VALUE bulkArray(const std::vector<E>& v) {
  static_assert(kBulkElement<E>);
  return protect([&] {
    const std::size_t size = v.size();
    VALUE array = rb_ary_new_capa(static_cast<long>(size));
    VALUE chunk[256];
    for (std::size_t first = 0; first < size;) {
      const std::size_t count = std::min(size - first, sizeof chunk / sizeof chunk[0]);
      for (std::size_t i = 0; i < count; ++i) chunk[i] = newElementValue<E>(v[first + i]);
      rb_ary_cat(array, chunk, static_cast<long>(count));
      first += count;
    }
    return array;
  });
}

#if USE_FLONUM
// A block of Array elements read as Floats held in their references, with no branch per
// element so that the compiler can use vector instructions. False when any element is
// something else or does not fit E; `out` then holds no meaning for the block.
constexpr long kFlonumBlock = 32;
template <class E>
bool readFlonumBlock(const VALUE* items, E* out) {
  bool ok = true;
  for (long i = 0; i < kFlonumBlock; ++i) {
    const double value = flonumValue(items[i]);
    const bool fits = Converter<E>::fits(value);
    ok &= RB_FLONUM_P(items[i]) & fits;
    out[i] = static_cast<E>(fits ? value : 0.0);
  }
  return ok;
}
#endif

template <class E>
struct SequenceHolder {
  std::vector<E>* pointer = nullptr;
  std::unique_ptr<std::vector<E>> owned;
};

// A sequence from a Ruby Array (every element converted by the element rule) or from a
// wrapper of the container's own class.
template <class E>
Status convertSequence(VALUE v, SequenceHolder<E>& h) {
  if (RB_TYPE_P(v, T_ARRAY)) {
    auto built = std::make_unique<std::vector<E>>();
    long size = RARRAY_LEN(v);
    long first = 0;
    if constexpr (std::is_arithmetic_v<E>) {
      // References that hold their value (small Integers, most Floats, true, false)
      // convert inline and run no Ruby code, so the Array's storage is read directly.
      // The rest goes the general way below, which re-reads the Array after each element.
      // An element that fails here is left to the general way, which reports it.
      built->resize(static_cast<size_t>(size));
      const VALUE* items = RARRAY_CONST_PTR(v);
#if USE_FLONUM
      if constexpr (std::is_floating_point_v<E>) {
        while (first + kFlonumBlock <= size &&
               readFlonumBlock<E>(items + first, built->data() + first)) {
          first += kFlonumBlock;
        }
      }
#endif
      for (; first < size && RB_SPECIAL_CONST_P(items[first]); ++first) {
        E element{};
        if (!isOk(Converter<E>::toNative(items[first], element))) break;
        (*built)[static_cast<size_t>(first)] = element;
      }
      built->resize(static_cast<size_t>(first));
    }
    built->reserve(static_cast<size_t>(size));
    for (long i = first; i < RARRAY_LEN(v); ++i) {
      E element{};
      if (!isOk(readElement<E>(RARRAY_AREF(v, i), element))) return Status::Error;
      built->push_back(std::move(element));
    }
    h.pointer = built.get();
    h.owned = std::move(built);
    return Status::NewObject;
  }
  return convertResolvedAs(v, h.pointer, descriptorOf<std::vector<E>>());
}

template <class E>
bool checkSequence(VALUE v) {
  if (RB_TYPE_P(v, T_ARRAY)) {
    for (long i = 0; i < RARRAY_LEN(v); ++i) {
      E element{};
      if (!isOk(elementToNative<E>(RARRAY_AREF(v, i), element))) return false;
    }
    return true;
  }
  std::vector<E>* p = nullptr;
  return isOk(convertResolvedAs(v, p, descriptorOf<std::vector<E>>()));
}

template <class E>
struct Converter<const std::vector<E>&> {
  using Holder = SequenceHolder<E>;
  static constexpr bool refusesNull = true;
  static Status toNative(VALUE v, Holder& h) { return convertSequence<E>(v, h); }
  static bool check(VALUE v) { return checkSequence<E>(v); }
  static const std::vector<E>& pass(Holder& h) { return *h.pointer; }
  static bool isNull(const Holder& h) { return h.pointer == nullptr; }
};

// A container by reference (swap, list fields): a wrapper only, not an Array.
template <class E>
struct Converter<std::vector<E>&> : ResolvedRefConverter<std::vector<E>, true> {};
template <>
struct Converter<StringMap&> : ResolvedRefConverter<StringMap, true> {};

VALUE frozenArray(VALUE array);
[[noreturn]] void raiseSequenceTooLong();

// Sequences returned by the engine or the script reach Ruby as new frozen Arrays.
template <class E>
struct Converter<std::vector<E>> {
  static VALUE toRuby(const std::vector<E>& v) {
    if (v.size() > static_cast<size_t>(INT_MAX)) raiseSequenceTooLong();
    if constexpr (kBulkElement<E>) return frozenArray(bulkArray(v));
    VALUE array = protect([&] { return rb_ary_new_capa(static_cast<long>(v.size())); });
    for (const auto& element : v) {
      VALUE item = Converter<E>::toRuby(element);
      protect([&] { rb_ary_push(array, item); });
    }
    return frozenArray(array);
  }
};
// A map returned by value becomes a new map object owning its copy.
template <>
struct Converter<StringMap> {
  static VALUE toRuby(const StringMap& v) {
    return wrapOwned(std::make_unique<StringMap>(v), descriptorOf<StringMap>());
  }
};

}  // namespace orvax
