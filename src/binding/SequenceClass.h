#pragma once
// The sequence container classes (IntVector, DoubleVector, ...): one template, given a
// traits type per class that names its element type and what differs; here are its
// overloaded methods, its table of methods and its registration.
//
// Traits members: E (element type), type / allocatorType (descriptors), className,
// element (element spelling in type texts), mangled (element part of native method
// names), inspectType (container spelling in `inspect`), enumerable, extraMethods
// (map_bang and __delete__), recordElements (front/back refer to the stored record).
#include <initializer_list>
#include <utility>

#include "binding/Classes.h"
#include "binding/Overload.h"
#include "binding/SequenceChanging.h"
#include "binding/SequenceIterators.h"
#include "binding/SequenceReading.h"

namespace orvax {

// A row whose body is a plain function of the container.
template <class Traits, auto Body, class... Texts>
constexpr MethodDef sequenceRow(const char* name, Texts... typeTexts) {
  return bodyRow<typename SequenceAccess<Traits>::Receiver, Body>(name, typeTexts...);
}

template <class Traits>
struct SequenceClass {
  using Reading = SequenceReading<Traits>;
  using Changing = SequenceChanging<Traits>;
  using Iterators = SequenceIterators<Traits>;
  using Receiver = typename SequenceAccess<Traits>::Receiver;
  using Text = SequenceTexts<Traits>;
  template <const char* Pattern>
  static constexpr auto prototypes = &Text::template prototypes<Pattern>;

  // ---- overloaded methods, their candidates in the order they are tried ------------------

  static constexpr auto initialize =
      overloads(OverloadError{Text::newName, 2, prototypes<sequence_text::kInitialize>},
                constructorCandidate<Changing::makeEmpty>(),
                constructorCandidate<Changing::makeSized>(Text::size),
                constructorCandidate<Changing::makeCopy>(Text::constReference),
                constructorCandidate<Changing::makeFilled>(Text::size, Text::value));
  static constexpr auto getItem =
      overloads(OverloadError{"__getitem__", 4, prototypes<sequence_text::kGetItem>, true},
                candidate<Receiver, Reading::slice>(Text::difference, Text::difference),
                candidate<Receiver, Reading::atIndex>(Text::difference),
                candidate<Receiver, Reading::range>("VALUE"));
  static constexpr auto setItem =
      overloads(OverloadError{"__setitem__", 5, prototypes<sequence_text::kSetItem>, true},
                candidate<Receiver, Changing::setAt>(Text::difference, Text::value),
                candidate<Receiver, Changing::setSlice>(Text::difference, Text::difference,
                                                        Text::fullConstReference));
  static constexpr auto erase =
      overloads(OverloadError{"erase", 4, prototypes<sequence_text::kErase>, true},
                candidate<Receiver, Iterators::eraseAt>(Text::iterator),
                candidate<Receiver, Iterators::eraseRange>(Text::iterator, Text::iterator));
  static constexpr auto resize = overloads(
      OverloadError{Text::resizeName, 4, prototypes<sequence_text::kResizePrototypes>, true},
      candidate<Receiver, Changing::resize>(Text::size),
      candidate<Receiver, Changing::resizeFilling>(Text::size, Text::value));
  static constexpr auto insert = overloads(
      OverloadError{"insert", 5, prototypes<sequence_text::kInsertPrototypes>, true},
      candidate<Receiver, Changing::insertValues>(Text::difference),
      candidate<Receiver, Iterators::insertOne>(Text::iterator, Text::value),
      candidate<Receiver, Iterators::insertCopies>(Text::iterator, Text::size, Text::value));

  // ---- the table ---------------------------------------------------------------------------

  static constexpr MethodDef methods[] = {
      overloadedRow<initialize>("initialize"),
      sequenceRow<Traits, Reading::dup>("dup"),
      MethodDef{"inspect", 0, Reading::template text<true>},
      sequenceRow<Traits, Reading::toA>("to_a"),
      MethodDef{"to_s", 0, Reading::template text<false>},
      sequenceRow<Traits, Reading::slice>("slice", Text::difference, Text::difference),
      sequenceRow<Traits, Reading::each>("each"),
      sequenceRow<Traits, Reading::template filter<true>>("select"),
      sequenceRow<Traits, Changing::deleteAt>("delete_at", Text::difference),
      sequenceRow<Traits, Changing::convertOnly>("__delete2__", Text::value),
      sequenceRow<Traits, Changing::rejectBang>("reject!"),
      sequenceRow<Traits, Changing::template take<true>>("pop"),
      sequenceRow<Traits, Changing::push>("push", Text::value),
      sequenceRow<Traits, Reading::template filter<false>>("reject"),
      sequenceRow<Traits, Reading::atIndex>("at", Text::difference),
      overloadedRow<getItem>("[]"),
      overloadedRow<setItem>("[]="),
      sequenceRow<Traits, Changing::template take<false>>("shift"),
      MethodDef{"unshift", -1, Changing::unshift, texts(), Text::unshift},
      named(sequenceRow<Traits, Reading::empty>("empty?"), "empty"),
      sequenceRow<Traits, Reading::size>("size"),
      sequenceRow<Traits, Changing::clear>("clear"),
      sequenceRow<Traits, Changing::swap>("swap", Text::reference),
      sequenceRow<Traits, Reading::getAllocator>("get_allocator"),
      sequenceRow<Traits, Iterators::template position<false, false>>("begin"),
      sequenceRow<Traits, Iterators::template position<false, true>>("end"),
      sequenceRow<Traits, Iterators::template position<true, false>>("rbegin"),
      sequenceRow<Traits, Iterators::template position<true, true>>("rend"),
      overloadedRow<erase>("erase"),
      sequenceRow<Traits, Reading::template frontOrBack<false>>("front"),
      sequenceRow<Traits, Reading::template frontOrBack<true>>("back"),
      sequenceRow<Traits, Changing::assign>("assign", Text::size, Text::value),
      overloadedRow<resize>("resize"),
      overloadedRow<insert>("insert"),
      sequenceRow<Traits, Changing::reserve>("reserve", Text::size),
      sequenceRow<Traits, Reading::capacity>("capacity"),
  };

  // For the classes whose traits ask for them.
  static constexpr MethodDef extraMethods[] = {
      sequenceRow<Traits, Changing::mapBang>("map_bang"),
      sequenceRow<Traits, Changing::deleteValue>("__delete__", Text::value),
  };

  static void define(VALUE module, ClassRecord& record);
};

void includeEnumerable(VALUE klass);
void defineAliases(VALUE klass, std::initializer_list<std::pair<const char*, const char*>> pairs);

template <class Traits>
void SequenceClass<Traits>::define(VALUE module, ClassRecord& record) {
  using V = typename SequenceAccess<Traits>::V;
  VALUE klass =
      defineWrappedClass(module, Traits::className, rb_cObject, record, Traits::type,
                         allocateFor<Traits::type>, [](void* p) { delete static_cast<V*>(p); });
  if constexpr (Traits::enumerable) includeEnumerable(klass);
  defineMethods<methods>(klass);
  if constexpr (Traits::extraMethods) defineMethods<extraMethods>(klass);
  defineAliases(klass, {{"delete_if", "reject!"}, {"<<", "push"}});
}

}  // namespace orvax
