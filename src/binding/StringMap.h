#pragma once
// The string map class and its argument conversion.
#include <memory>

#include "binding/Convert.h"

namespace orvax {

struct StringMapHolder {
  StringMap* pointer = nullptr;
  std::unique_ptr<StringMap> owned;
};
// A map from a wrapper of the map class, or from a Hash of Strings to Strings.
Status convertStringMap(VALUE v, StringMapHolder& h);

template <>
struct Converter<const StringMap&> {
  using Holder = StringMapHolder;
  static constexpr bool refusesNull = true;
  static Status toNative(VALUE v, Holder& h) { return convertStringMap(v, h); }
  static bool check(VALUE v) {
    Holder h;
    return !NIL_P(v) && isOk(toNative(v, h));
  }
  static const StringMap& pass(Holder& h) { return *h.pointer; }
  static bool isNull(const Holder& h) { return h.pointer == nullptr; }
};

void includeEnumerable(VALUE klass);
void defineStringMap(VALUE module);

}  // namespace orvax
