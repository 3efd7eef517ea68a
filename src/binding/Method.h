#pragma once
// The method machinery: how every Ruby method of the extension checks its argument
// count, converts its receiver and arguments, calls its native operation and returns,
// written once. A class's methods are a constant table of MethodDef rows; each row gets
// its own entry function, generated from the table's address and the row's index.
#include <array>
#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

#include "binding/Convert.h"
#include "binding/Errors.h"

namespace orvax {

struct MethodDef;
using MethodImpl = VALUE (*)(const MethodDef& def, int argc, VALUE* argv, VALUE self);

inline constexpr std::size_t kMaxParams = 13;

struct MethodDef {
  const char* name;  // Ruby method name
  int arity;         // exact argument count, or -1 when the implementation checks it
  MethodImpl impl;
  std::array<const char*, kMaxParams> texts{};  // parameter type texts, in Ruby order
  const char* messageName = nullptr;            // name in argument errors, when not `name`

  constexpr const char* nameInMessages() const { return messageName ? messageName : name; }
};

// Builds the texts array from a list of texts.
template <class... Texts>
constexpr std::array<const char*, kMaxParams> texts(Texts... t) {
  static_assert(sizeof...(Texts) <= kMaxParams);
  return {t...};
}

// Runs a method row with the exception boundary; on failure stores the Ruby exception
// (or the jump to resume) in *out and returns false. No C++ object of the call is
// alive when it returns.
bool invokeGuarded(const MethodDef& def, int argc, VALUE* argv, VALUE self, VALUE* out, int* tag);

// Runs `body` with the same boundary, for entry points that are not method rows
// (allocators, free-standing callbacks). Raises in Ruby after the C++ frames are gone.
bool runGuarded(void (*body)(void*), void* data, VALUE* out, int* tag);
[[noreturn]] void resumeRuby(VALUE exception, int tag);

template <const auto& Table, std::size_t I>
VALUE methodEntry(int argc, VALUE* argv, VALUE self) {
  VALUE out = Qnil;
  int tag = 0;
  if (invokeGuarded(Table[I], argc, argv, self, &out, &tag)) return out;
  resumeRuby(out, tag);
}

using RubyMethod = VALUE (*)(int, VALUE*, VALUE);

template <const auto& Table, std::size_t... I>
void defineRows(VALUE klass, bool singleton, std::index_sequence<I...>) {
  RubyMethod entries[] = {&methodEntry<Table, I>...};
  for (std::size_t i = 0; i < sizeof...(I); ++i) {
    if (singleton) {
      rb_define_module_function(klass, Table[i].name, entries[i], -1);
    } else {
      rb_define_method(klass, Table[i].name, entries[i], -1);
    }
  }
}

// Defines every row of `Table` as a method of `klass` (or as module functions).
template <const auto& Table>
void defineMethods(VALUE klass, bool moduleFunctions = false) {
  constexpr std::size_t n = std::size(Table);
  protect([&] { defineRows<Table>(klass, moduleFunctions, std::make_index_sequence<n>{}); });
}

// ---- conversions inside method bodies --------------------------------------------------

// The receiver as a native pointer of type T (argument position 1).
template <class T>
T* receiver(const MethodDef& def, VALUE self, const char* typeText,
            TypeDescriptor* type = descriptorOf<T>()) {
  void* p = nullptr;
  Status status = convertPointer(self, &p, type);
  if (!isOk(status)) raiseArgumentError(status, typeText, def.nameInMessages(), 1, self);
  if (p == nullptr)
    raiseArgumentError(Status::ObjectPreviouslyDeleted, typeText, def.nameInMessages(), 1, self);
  return static_cast<T*>(p);
}

// One argument: argument `index` (0-based, Ruby order) at native position `position`.
template <class P>
typename Converter<P>::Holder convertArg(const MethodDef& def, std::size_t index, VALUE value,
                                         int position) {
  typename Converter<P>::Holder holder{};
  Status status = Converter<P>::toNative(value, holder);
  const char* text = def.texts[index];
  if (!isOk(status)) raiseArgumentError(status, text, def.nameInMessages(), position, value);
  if constexpr (Converter<P>::refusesNull) {
    if (Converter<P>::isNull(holder))
      raiseNullReference(text, def.nameInMessages(), position, value);
  }
  return holder;
}

template <class... P, std::size_t... I>
std::tuple<typename Converter<P>::Holder...> convertArgsAt(const MethodDef& def, VALUE* argv,
                                                           int firstPosition,
                                                           std::index_sequence<I...>) {
  // Braced initialisation converts strictly left to right.
  return std::tuple<typename Converter<P>::Holder...>{
      convertArg<P>(def, I, argv[I], firstPosition + static_cast<int>(I))...};
}

// All arguments, left to right; the first explicit argument is at position 2 (after the
// receiver) unless told otherwise.
template <class... P>
std::tuple<typename Converter<P>::Holder...> convertArgs(const MethodDef& def, VALUE* argv,
                                                         int firstPosition = 2) {
  return convertArgsAt<P...>(def, argv, firstPosition, std::index_sequence_for<P...>{});
}

// Calls `fn` with the converted holders passed as the native parameter types.
template <class... P, class F, class Tuple, std::size_t... I>
decltype(auto) applyArgsAt(F&& fn, Tuple& holders, std::index_sequence<I...>) {
  return fn(Converter<P>::pass(std::get<I>(holders))...);
}
template <class... P, class F, class Tuple>
decltype(auto) applyArgs(F&& fn, Tuple& holders) {
  return applyArgsAt<P...>(std::forward<F>(fn), holders, std::index_sequence_for<P...>{});
}

template <class R>
VALUE resultToRuby(const R& value) {
  return Converter<R>::toRuby(value);
}

// Runs the native call `call` and converts its result (nil for void): the one path from
// a native operation to a Ruby result.
template <class F>
VALUE resultOf(F&& call) {
  if constexpr (std::is_void_v<decltype(call())>) {
    call();
    return Qnil;
  } else {
    return resultToRuby(call());
  }
}

// Calls `fn` with the converted holders and converts its result.
template <class... P, class F, class Tuple>
VALUE callConverted(F&& fn, Tuple& holders) {
  return resultOf([&] { return applyArgs<P...>(std::forward<F>(fn), holders); });
}

// ---- rows whose body is a plain function -----------------------------------------------

// The receiver of body rows, from the function that converts it to a pointer.
template <auto Pointer>
struct ReceiverOf {
  static auto& from(const MethodDef& def, VALUE self) { return *Pointer(def, self); }
};

// What a body that needs the Ruby side of its call takes as its first parameter: the row,
// the Ruby receiver and the Ruby arguments (already counted and converted once).
struct Call {
  const MethodDef& def;
  VALUE self;
  VALUE* argv;
  int argc = 0;
};

// A body `R body(const Call&, Object&, A...)`, or `R body(Object&, A...)` that does not
// need the call: `kWithCall<Body>` is the body in the first form either way.
template <class Body>
struct CallFirst;
template <class Object, class R, class... A>
struct CallFirst<R (*)(const Call&, Object&, A...)> {
  template <auto Body>
  static constexpr auto body = Body;
};
template <class Object, class R, class... A>
struct CallFirst<R (*)(Object&, A...)> {
  template <auto Body>
  static R ignoringCall(const Call&, Object& object, A... args) {
    return Body(object, std::forward<A>(args)...);
  }
  template <auto Body>
  static constexpr auto body = &ignoringCall<Body>;
};
template <auto Body>
inline constexpr auto kWithCall = CallFirst<std::decay_t<decltype(Body)>>::template body<Body>;

// The receiver converts first (position 1) through `Self::from(def, self)`, which gives an
// Object&; then the arguments (positions 2...), then the body runs and its result
// converts. Its arity is the count of A.
template <class Self, class Body>
struct BodyMethod;
template <class Self, class Object, class R, class... A>
struct BodyMethod<Self, R (*)(const Call&, Object&, A...)> {
  static constexpr int arity = sizeof...(A);
  template <auto Body>
  static VALUE run(const MethodDef& def, int, VALUE* argv, VALUE self) {
    Object& object = Self::from(def, self);
    auto holders = convertArgs<A...>(def, argv);
    Call call{def, self, argv};
    return callConverted<A...>(
        [&](auto&&... args) { return Body(call, object, std::forward<decltype(args)>(args)...); },
        holders);
  }
};

// A row whose body is the plain function `Body`; its arity comes from the signature, and
// it takes exactly one type text per argument.
template <class Self, auto Body, class... Texts>
constexpr MethodDef bodyRow(const char* name, Texts... typeTexts) {
  using Row = BodyMethod<Self, std::decay_t<decltype(kWithCall<Body>)>>;
  static_assert(sizeof...(Texts) == Row::arity, "one type text per argument");
  return MethodDef{name, Row::arity, &Row::template run<kWithCall<Body>>, texts(typeTexts...)};
}

// The row under another name in argument errors.
constexpr MethodDef named(MethodDef row, const char* messageName) {
  row.messageName = messageName;
  return row;
}

// `initialize` with the body `void body(const Call&, A...)`: there is no native receiver
// yet, so the arguments start at position 1 and errors name the class.
template <class Body>
struct ConstructorMethod;
template <class... A>
struct ConstructorMethod<void (*)(const Call&, A...)> {
  static constexpr int arity = sizeof...(A);
  template <auto Body>
  static VALUE run(const MethodDef& def, int, VALUE* argv, VALUE self) {
    auto holders = convertArgs<A...>(def, argv, 1);
    Call call{def, self, argv};
    callConverted<A...>([&](auto&&... args) { Body(call, std::forward<decltype(args)>(args)...); },
                        holders);
    return self;
  }
};

template <auto Body, class... Texts>
constexpr MethodDef constructorRow(const char* className, Texts... typeTexts) {
  using Row = ConstructorMethod<std::decay_t<decltype(Body)>>;
  static_assert(sizeof...(Texts) == Row::arity, "one type text per argument");
  return MethodDef{"initialize", Row::arity, &Row::template run<Body>, texts(typeTexts...),
                   className};
}

}  // namespace orvax
