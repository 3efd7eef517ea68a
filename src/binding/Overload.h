#pragma once
// Overloaded methods: a method that takes one of several argument lists. Its candidates
// are plain C++ functions whose parameter types say what each Ruby argument must pass.
// They are tested in order, the argument count first, then the receiver where its type
// has a test, then each argument by its parameter type's test (which converts nothing);
// the first that fits runs with its arguments converted the ordinary way. When none fits
// the method raises the overload error with the native prototypes, once for all.
#include <array>
#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

#include "binding/Method.h"

namespace orvax {

// ---- parameter types -------------------------------------------------------------------

// How a Ruby argument is tested and converted for a candidate's parameter of type P:
//   check(value)                             whether the argument fits
//   convert(call, object, index, position)   the holder, raising as the conversions do;
//                                            `object` is the converted receiver
//   pass(holder)                             what the body receives
// Any parameter type with a `Converter` converts through it.
template <class P>
struct Param {
  using Holder = typename Converter<P>::Holder;
  static bool check(VALUE value) { return Converter<P>::check(value); }
  template <class Object>
  static Holder convert(const Call& call, Object&, std::size_t index, int position) {
    return convertArg<P>(call.def, index, call.argv[index], position);
  }
  static decltype(auto) pass(Holder& holder) { return Converter<P>::pass(holder); }
};

// A wrapped object of type T that is not null (nil and deleted objects do not fit).
template <Type T>
struct NonNull {
  void* pointer;
};
template <Type T>
struct Param<NonNull<T>> {
  using Holder = NonNull<T>;
  static bool check(VALUE value) {
    void* p = nullptr;
    return isOk(convertPointer(value, &p, descriptor(T))) && p != nullptr;
  }
  template <class Object>
  static Holder convert(const Call& call, Object&, std::size_t index, int position) {
    void* p = nullptr;
    VALUE value = call.argv[index];
    Status status = convertPointer(value, &p, descriptor(T));
    const char* text = call.def.texts[index];
    if (!isOk(status)) raiseArgumentError(status, text, call.def.nameInMessages(), position, value);
    if (!p) raiseNullReference(text, call.def.nameInMessages(), position, value);
    return {p};
  }
  static Holder pass(Holder& holder) { return holder; }
};

// The arguments from this one on, one at least, of any value: the body converts them.
struct FurtherValues {
  VALUE* values;
  int count;
};
template <>
struct Param<FurtherValues> {
  using Holder = FurtherValues;
  static bool check(VALUE) { return true; }
  template <class Object>
  static Holder convert(const Call& call, Object&, std::size_t index, int) {
    return {call.argv + index, call.argc - static_cast<int>(index)};
  }
  static Holder pass(Holder& holder) { return holder; }
};

// ---- candidates ------------------------------------------------------------------------

using CandidateTest = bool (*)(int argc, VALUE* argv, VALUE self);

// One argument list: its body as a row (its type texts, in Ruby order; the overloaded
// method's name), and its test.
struct Candidate {
  MethodDef row;
  CandidateTest fits;
  bool constructor;
};

namespace overload_detail {

// The receiver is tested along with the arguments where its type says how.
template <class Self, class = void>
struct ReceiverTest {
  static bool fits(VALUE) { return true; }
};
template <class Self>
struct ReceiverTest<Self, std::void_t<decltype(Self::test(Qnil))>> {
  static bool fits(VALUE self) { return Self::test(self); }
};

template <class... A>
constexpr bool endsWithFurtherValues() {
  if constexpr (sizeof...(A) == 0) {
    return false;
  } else {
    return std::is_same_v<std::tuple_element_t<sizeof...(A) - 1, std::tuple<A...>>, FurtherValues>;
  }
}

template <class... A>
constexpr bool countFits(int argc) {
  constexpr int n = static_cast<int>(sizeof...(A));
  return endsWithFurtherValues<A...>() ? argc >= n : argc == n;
}

template <class... A, std::size_t... I>
bool argumentsFit(VALUE* argv, std::index_sequence<I...>) {
  return (Param<A>::check(argv[I]) && ...);
}

template <class Self, class... A>
bool fits(int argc, VALUE* argv, VALUE self) {
  return countFits<A...>(argc) && ReceiverTest<Self>::fits(self) &&
         argumentsFit<A...>(argv, std::index_sequence_for<A...>{});
}

struct NoReceiver {};

template <class... A, class Object, std::size_t... I>
std::tuple<typename Param<A>::Holder...> convertAll(const Call& call, Object& object,
                                                    int firstPosition, std::index_sequence<I...>) {
  // Braced initialisation converts strictly left to right.
  return std::tuple<typename Param<A>::Holder...>{
      Param<A>::convert(call, object, I, firstPosition + static_cast<int>(I))...};
}

// Converts the arguments, then calls `fn` with them and converts its result (nil for void).
template <class... A, class Object, class F>
VALUE convertAndCall(const Call& call, Object& object, int firstPosition, F&& fn) {
  auto holders = convertAll<A...>(call, object, firstPosition, std::index_sequence_for<A...>{});
  return std::apply(
      [&](auto&... held) { return resultOf([&] { return fn(Param<A>::pass(held)...); }); },
      holders);
}

template <class Self, class Body>
struct MethodCandidate;
// `R body(const Call&, Object&, A...)` (see kWithCall): the receiver converts first
// (position 1).
template <class Self, class Object, class R, class... A>
struct MethodCandidate<Self, R (*)(const Call&, Object&, A...)> {
  static constexpr CandidateTest test = &fits<Self, A...>;
  template <auto Body>
  static VALUE run(const MethodDef& def, int argc, VALUE* argv, VALUE self) {
    Object& object = Self::from(def, self);
    Call call{def, self, argv, argc};
    return convertAndCall<A...>(call, object, 2, [&](auto&&... args) {
      return Body(call, object, std::forward<decltype(args)>(args)...);
    });
  }
};
template <class Body>
struct ConstructorCandidate;
// `void body(const Call&, A...)`: no native receiver yet; arguments from position 1.
template <class... A>
struct ConstructorCandidate<void (*)(const Call&, A...)> {
  static constexpr CandidateTest test = &fits<NoReceiver, A...>;
  template <auto Body>
  static VALUE run(const MethodDef& def, int argc, VALUE* argv, VALUE self) {
    Call call{def, self, argv, argc};
    NoReceiver none;
    convertAndCall<A...>(
        call, none, 1, [&](auto&&... args) { Body(call, std::forward<decltype(args)>(args)...); });
    return self;
  }
};

}  // namespace overload_detail

// A candidate of a method whose receiver converts through `Self::from(def, self)`, with
// the type texts its argument errors name its parameters by, in order.
template <class Self, auto Body, class... Texts>
constexpr Candidate candidate(Texts... typeTexts) {
  using C = overload_detail::MethodCandidate<Self, std::decay_t<decltype(kWithCall<Body>)>>;
  return Candidate{MethodDef{"", -1, &C::template run<kWithCall<Body>>, texts(typeTexts...)},
                   C::test, false};
}

// A candidate of `initialize`.
template <auto Body, class... Texts>
constexpr Candidate constructorCandidate(Texts... typeTexts) {
  using C = overload_detail::ConstructorCandidate<std::decay_t<decltype(Body)>>;
  return Candidate{MethodDef{"", -1, &C::template run<Body>, texts(typeTexts...)}, C::test, true};
}

// ---- overload sets -----------------------------------------------------------------------

// What the overload error says. The count it reports is the argument count, with the
// receiver for methods (not for constructors); `limitFirst` refuses a count above
// `maxCount` before any candidate is tested.
struct OverloadError {
  const char* name;  // also the name in the candidates' argument errors
  int maxCount;
  const char* (*prototypes)();  // made only when the error is raised
  bool limitFirst = false;
};

template <std::size_t N>
struct OverloadSet {
  OverloadError error;
  std::array<Candidate, N> candidates;
};

template <class... C>
constexpr OverloadSet<sizeof...(C)> overloads(OverloadError error, C... candidates) {
  OverloadSet<sizeof...(C)> set{error, {candidates...}};
  for (Candidate& c : set.candidates) c.row.name = error.name;
  return set;
}

template <std::size_t N>
constexpr bool allOfOneKind(const OverloadSet<N>& set) {
  for (const Candidate& c : set.candidates) {
    if (c.constructor != set.candidates[0].constructor) return false;
  }
  return true;
}

// A constant prototype list.
template <const char* Text>
const char* fixedText() {
  return Text;
}

template <const auto& Set>
VALUE dispatchOverloads(const MethodDef&, int argc, VALUE* argv, VALUE self) {
  static_assert(allOfOneKind(Set), "constructor and method candidates count differently");
  const OverloadError& error = Set.error;
  int count = Set.candidates[0].constructor ? argc : argc + 1;
  if (error.limitFirst && count > error.maxCount) {
    raiseOverloadError(count, error.maxCount, error.name, error.prototypes());
  }
  for (const Candidate& c : Set.candidates) {
    if (c.fits(argc, argv, self)) return c.row.impl(c.row, argc, argv, self);
  }
  raiseOverloadError(count, error.maxCount, error.name, error.prototypes());
}

// The row of an overloaded method.
template <const auto& Set>
constexpr MethodDef overloadedRow(const char* name) {
  return MethodDef{name, -1, &dispatchOverloads<Set>, texts(), Set.error.name};
}

}  // namespace orvax
