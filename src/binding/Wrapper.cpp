#include "binding/Wrapper.h"

#include <cstdint>
#include <iterator>
#include <string>

#include "binding/Errors.h"

namespace orvax {
namespace {
VALUE trackingTable = Qnil;
VALUE valueReferences = Qnil;

VALUE swigModule() { return rb_const_get(rb_cObject, rb_intern("SWIG")); }

ClassRecord* recordOf(TypeDescriptor* type) {
  return type ? static_cast<ClassRecord*>(type->classRecord) : nullptr;
}

void clearValueReferences(VALUE) { valueReferences = Qnil; }

bool isImmediateOrDynamicSymbol(VALUE value) {
  return RB_SPECIAL_CONST_P(value) || RB_FLOAT_TYPE_P(value) || RB_TYPE_P(value, T_SYMBOL);
}

// The wrapping classes and the opaque pointer classes. Classes defined from C are never
// collected nor moved, so plain copies of their references stay valid.
struct KnownClass {
  VALUE klass;
  const char* typeName;
};
KnownClass knownClasses[2 * kTypeCount];
std::size_t knownCount = 0;

// The type of the most derived registered class that `value` is an instance of.
const char* classTypeName(VALUE value) {
  const KnownClass* best = nullptr;
  for (std::size_t i = 0; i < knownCount; ++i) {
    const KnownClass& known = knownClasses[i];
    if (!RTEST(rb_obj_is_kind_of(value, known.klass))) continue;
    if (best == nullptr || RTEST(rb_class_inherited_p(known.klass, best->klass))) best = &known;
  }
  return best ? best->typeName : nullptr;
}
}  // namespace

void registerWrappingClass(VALUE klass, const char* typeName) {
  for (std::size_t i = 0; i < knownCount; ++i) {
    if (knownClasses[i].klass == klass) return;
  }
  if (knownCount < std::size(knownClasses))
    knownClasses[knownCount++] = KnownClass{klass, typeName};
}

bool wrapperTypeName(VALUE value, std::string& name) {
  if (!RB_TYPE_P(value, T_DATA)) return false;
  // Typed data objects belong to the interpreter or to other libraries, never wrappers;
  // their data pointers must not be taken for ours whatever tag Ruby code gives them.
  if (RTYPEDDATA_P(value)) return false;
  if (const char* known = classTypeName(value)) {
    name = known;
    return true;
  }
  // A wrapper made by another extension of the same construction: only its tag tells.
  VALUE tag = rb_attr_get(value, swigTypeId());
  if (!RB_TYPE_P(tag, T_STRING)) return false;
  name.assign(RSTRING_PTR(tag), static_cast<size_t>(RSTRING_LEN(tag)));
  return true;
}

ID swigTypeId() {
  static ID id = rb_intern("@__swigtype__");
  return id;
}

VALUE wrapPointer(void* pointer, TypeDescriptor* type, int ownFlag) {
  if (pointer == nullptr) return Qnil;
  VALUE wrapper;
  FreeFunction freeFunction = nullptr;
  if (ClassRecord* record = recordOf(type)) {
    // No class of this extension tracks its objects, so a wrapper either owns its
    // object or frees nothing.
    freeFunction = ownFlag ? record->destroy : nullptr;
    wrapper =
        protect([&] { return rb_data_object_wrap(record->klass, pointer, record->mark, nullptr); });
  } else {
    std::string className = std::string("TYPE") + type->name;
    wrapper = protect([&] {
      VALUE klass = rb_const_get(swigModule(), rb_intern(className.c_str()));
      return rb_data_object_wrap(klass, pointer, nullptr, nullptr);
    });
  }
  protect([&] { rb_ivar_set(wrapper, swigTypeId(), rb_str_new_cstr(type->name)); });
  // Owning only once nothing can fail: a caller whose wrapping failed still owns the
  // object and releases it, so the wrapper must not release it too.
  RDATA(wrapper)->dfree = freeFunction;
  return wrapper;
}

int convertPointer(VALUE value, void** out, TypeDescriptor* type, int flags,
                   FreeFunction* previousFree) {
  if (NIL_P(value)) {
    *out = nullptr;
    return kOk;
  }
  if (!RB_TYPE_P(value, T_DATA) || RTYPEDDATA_P(value)) return kError;
  if (previousFree) *previousFree = RDATA(value)->dfree;
  if (flags & kDisown) RDATA(value)->dfree = nullptr;
  void* data = DATA_PTR(value);
  if (type == nullptr) {
    *out = data;
    return kOk;
  }
  ClassRecord* record = recordOf(type);
  // Most wrappers are of the class itself: that needs no walk of the ancestors.
  if (record && record->klass &&
      (RBASIC_CLASS(value) == record->klass || RTEST(rb_obj_is_kind_of(value, record->klass)))) {
    if (data == nullptr) return kObjectPreviouslyDeleted;
    *out = data;
    return kOk;
  }
  std::string name;
  if (!wrapperTypeName(value, name)) return kError;
  CastEntry* entry = typeCheckByName(name.c_str(), type);
  if (entry == nullptr) return kError;
  // An allocated but never initialised wrapper holds nothing, whichever way its type
  // was recognised.
  if (data == nullptr) return kObjectPreviouslyDeleted;
  if (entry->converter) {
    int newMemory = 0;
    data = entry->converter(data, &newMemory);
  }
  *out = data;
  return kOk;
}

VALUE allocateInstance(VALUE klass, TypeDescriptor* type) {
  ClassRecord* record = recordOf(type);
  VALUE object = rb_data_object_wrap(klass, nullptr, record ? record->mark : nullptr,
                                     record ? record->destroy : nullptr);
  rb_ivar_set(object, swigTypeId(), rb_str_new_cstr(type->name));
  return object;
}

void keepOwnerAlive(VALUE wrapper, VALUE owner) {
  // An identifier without '@' is invisible to instance_variables but marked like any
  // instance variable.
  static ID ownerId = rb_intern("__orvax_owner__");
  protect([&] { rb_ivar_set(wrapper, ownerId, owner); });
}

void initValueReferences() {
  if (!NIL_P(valueReferences)) return;
  protect([] {
    rb_set_end_proc(clearValueReferences, Qnil);
    valueReferences = rb_hash_new();
    // Identity keys: hashing a key never runs Ruby code, also inside free functions
    // that the garbage collector runs.
    rb_funcall(valueReferences, rb_intern("compare_by_identity"), 0);
    rb_gc_register_address(&valueReferences);
  });
}

void registerValue(VALUE value) {
  if (NIL_P(valueReferences) || isImmediateOrDynamicSymbol(value)) return;
  protect([&] {
    VALUE count = rb_hash_aref(valueReferences, value);
    long next = RB_INTEGER_TYPE_P(count) ? NUM2LONG(count) + 1 : 1;
    rb_hash_aset(valueReferences, value, LONG2NUM(next));
  });
}

// Runs inside the collector's free functions too, so it may not raise: an identity Hash
// never calls back into Ruby, and updating or deleting an existing key does not allocate.
void unregisterValue(VALUE value) {
  if (NIL_P(valueReferences) || isImmediateOrDynamicSymbol(value)) return;
  VALUE count = rb_hash_aref(valueReferences, value);
  if (RB_INTEGER_TYPE_P(count) && NUM2LONG(count) - 1 != 0) {
    rb_hash_aset(valueReferences, value, LONG2NUM(NUM2LONG(count) - 1));
  } else {
    rb_hash_delete(valueReferences, value);
  }
}

void initTracking(VALUE swig) {
  protect([&] {
    ID trackings = rb_intern("@__trackings__");
    VALUE verbose = rb_gv_get("$VERBOSE");
    rb_gv_set("$VERBOSE", Qfalse);
    trackingTable = rb_ivar_get(swig, trackings);
    rb_gv_set("$VERBOSE", verbose);
    if (NIL_P(trackingTable)) {
      trackingTable = rb_hash_new();
      rb_ivar_set(swig, trackings, trackingTable);
    }
    rb_gc_register_address(&trackingTable);
  });
}

}  // namespace orvax
