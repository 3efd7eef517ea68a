// The extension's entry point: builds the whole Ruby-visible surface.
#include <string>

#include "binding/Classes.h"
#include "binding/Errors.h"
#include "binding/Method.h"
#include "binding/TypeTable.h"
#include "binding/Wrapper.h"

namespace orvax {
namespace {

VALUE swigModule = Qnil;

void definePointerClasses() {
  for (std::size_t i = 0; i < kTypeCount; ++i) {
    std::string name = std::string("TYPE") + typeModule().initialTypes[i]->name;
    protect([&] {
      if (!rb_const_defined_at(swigModule, rb_intern("Pointer"))) {
        VALUE pointer = rb_define_class_under(swigModule, "Pointer", rb_cObject);
        rb_undef_method(CLASS_OF(pointer), "new");
      }
      VALUE pointer = rb_const_get_at(swigModule, rb_intern("Pointer"));
      VALUE klass = rb_define_class_under(swigModule, name.c_str(), pointer);
      registerWrappingClass(klass, typeModule().initialTypes[i]->name);
    });
  }
}

// GC_VALUE keeps a Ruby value for native code; Ruby code cannot make one.
ClassRecord gcValueRecord{};

// The plain "#<ORVAX::GC_VALUE:0x...>": calling inspect here would call this again.
VALUE gcValueInspect(const MethodDef&, int, VALUE*, VALUE self) {
  return protect([&] { return rb_any_to_s(self); });
}
constexpr MethodDef kGcValueMethods[] = {
    MethodDef{"inspect", 0, gcValueInspect},
    MethodDef{"to_s", 0, gcValueInspect},
};

void build() {
  locateErrorInfo();
  if (NIL_P(swigModule)) {
    protect([] {
      swigModule = rb_define_module("SWIG");
      rb_gc_register_address(&swigModule);
      rb_intern("call");
      rb_intern("arity");
    });
  }
  VALUE module = protect([] { return rb_define_module(kModuleName); });
  initTypeTable();
  definePointerClasses();
  initTracking(swigModule);
  defineGcValue(module);
  initValueReferences();
  defineIterators(module);
  defineClippingBox(module);
  defineContainers(module);
  defineFacade(module);
  defineDisown(module);
  defineCallbackInterface(module);
}

}  // namespace

void defineGcValue(VALUE module) {
  VALUE klass = defineWrappedClass(module, "GC_VALUE", rb_cObject, gcValueRecord, Type::GcValue,
                                   nullptr, nullptr);
  defineMethods<kGcValueMethods>(klass);
}

}  // namespace orvax

extern "C" ORVAX_EXPORT void ORVAX_CONCAT(Init_, ORVAX_MODULE_NAME)(void) {
  VALUE out = Qnil;
  int tag = 0;
  if (orvax::runGuarded([](void*) { orvax::build(); }, nullptr, &out, &tag)) return;
  orvax::resumeRuby(out, tag);
}
