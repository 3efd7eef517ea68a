// Registration of the classes that wrap native types.
#include "binding/Classes.h"

namespace orvax {
namespace {

VALUE defineOnce(VALUE outer, const char* name, VALUE superclass) {
  return protect([&] { return rb_define_class_under(outer, name, superclass); });
}

}  // namespace

VALUE defineWrappedClass(VALUE outer, const char* name, VALUE superclass, ClassRecord& record,
                         Type type, Allocator allocator, void (*freeFunction)(void*),
                         void (*markFunction)(void*)) {
  VALUE klass = defineOnce(outer, name, superclass);
  registerWrappingClass(klass, descriptor(type)->name);
  record.klass = klass;
  record.implementationModule = Qnil;
  // A descriptor shared with a peer that loaded first keeps the peer's record: each
  // extension's own descriptors carry its own records, which is how it makes its objects
  // and how peers recognise them.
  if (descriptor(type) == ownDescriptor(type)) {
    attachClassRecord(descriptor(type), &record);
  } else {
    ownDescriptor(type)->classRecord = &record;
  }
  protect([&] {
    if (allocator) {
      rb_define_alloc_func(klass, allocator);
    } else {
      rb_undef_alloc_func(klass);
    }
  });
  record.mark = markFunction;
  record.destroy = freeFunction;
  record.trackObjects = 0;
  return klass;
}

}  // namespace orvax
