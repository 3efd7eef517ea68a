#pragma once
// Registration of the classes that wrap native types.
#include "binding/Method.h"
#include "binding/TypeTable.h"
#include "binding/Wrapper.h"

namespace orvax {

using Allocator = VALUE (*)(VALUE klass);

// The allocator of a class wrapping type T: an empty wrapper tagged with T's name, with
// this extension's mark and free functions (the shared descriptor may carry a peer's).
template <Type T>
VALUE allocateFor(VALUE klass) {
  return allocateInstance(klass, descriptor(T));
}

// Defines `name` under `outer`, stores it in `record`, attaches the record to the
// type's descriptor, then defines the allocator (or removes it when null) and sets the
// record's free and mark functions. The mark function marks (and so keeps in place)
// every Ruby value the native object holds. Methods are defined by the caller.
VALUE defineWrappedClass(VALUE outer, const char* name, VALUE superclass, ClassRecord& record,
                         Type type, Allocator allocator, void (*freeFunction)(void*),
                         void (*markFunction)(void*) = nullptr);

// Registration steps owned by other subsystems, called by Init in this order.
void defineGcValue(VALUE module);
void defineIterators(VALUE module);
void defineClippingBox(VALUE module);
void defineContainers(VALUE module);
void defineFacade(VALUE module);
void defineDisown(VALUE module);
void defineCallbackInterface(VALUE module);

}  // namespace orvax
