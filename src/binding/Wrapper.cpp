#include "binding/Wrapper.h"

#include <cstdint>
#include <iterator>
#include <string>
#include <unordered_map>

#include "binding/Errors.h"

namespace orvax {
namespace {
VALUE trackingTable = Qnil;

// The value-reference table: how many native holders refer to each value. Native, so no
// Ruby code can reach or change it, and updating it never raises (which free functions
// rely on). Made once and never destroyed: free functions run until the very end of the
// process. Its values are marked, and so kept in place, through a hidden root object.
using ReferenceCounts = std::unordered_map<VALUE, long>;
ReferenceCounts* valueReferences = nullptr;
VALUE valueReferencesRoot = Qnil;

void markValueReferences(void*) {
  for (const auto& entry : *valueReferences) rb_gc_mark(entry.first);
}

VALUE swigModule() { return rb_const_get(rb_cObject, rb_intern("SWIG")); }

ClassRecord* recordOf(TypeDescriptor* type) {
  return type ? static_cast<ClassRecord*>(type->classRecord) : nullptr;
}
// The record this extension makes objects of `type` with: its own, else the one shared.
ClassRecord* makingRecord(TypeDescriptor* type) {
  ClassRecord* own = ownClassRecord(type);
  return own ? own : recordOf(type);
}

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

// The type of the most derived registered class that `value` is an instance of: among
// this extension's pointer classes and the wrapping classes every extension in the ring
// recorded on its own descriptors.
const char* classTypeName(VALUE value) {
  VALUE bestClass = Qnil;
  const char* bestName = nullptr;
  auto consider = [&](VALUE klass, const char* name) {
    if (!RTEST(rb_obj_is_kind_of(value, klass))) return;
    if (bestName == nullptr || RTEST(rb_class_inherited_p(klass, bestClass))) {
      bestClass = klass;
      bestName = name;
    }
  };
  for (std::size_t i = 0; i < knownCount; ++i)
    consider(knownClasses[i].klass, knownClasses[i].typeName);
  TypeModule* own = &typeModule();
  TypeModule* m = own;
  do {
    for (std::size_t i = 0; m->initialTypes != nullptr && i < m->size; ++i) {
      TypeDescriptor* type = m->initialTypes[i];
      ClassRecord* record = type ? recordOf(type) : nullptr;
      if (record && record->klass && !NIL_P(record->klass)) consider(record->klass, type->name);
    }
    m = m->next;
  } while (m != nullptr && m != own);
  return bestName;
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
  // Never by "@__swigtype__": a script can rewrite it.
  const char* known = classTypeName(value);
  if (known == nullptr) return false;
  name = known;
  return true;
}

ID swigTypeId() {
  static ID id = rb_intern("@__swigtype__");
  return id;
}

VALUE wrapPointer(void* pointer, TypeDescriptor* type, Ownership ownership) {
  if (pointer == nullptr) return Qnil;
  VALUE wrapper;
  void (*freeFunction)(void*) = nullptr;
  if (ClassRecord* record = makingRecord(type)) {
    // No class of this extension tracks its objects, so a wrapper either owns its
    // object or frees nothing.
    freeFunction = ownership == Ownership::Owned ? record->destroy : nullptr;
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

Status convertPointer(VALUE value, void** out, TypeDescriptor* type) {
  if (NIL_P(value)) {
    *out = nullptr;
    return Status::Ok;
  }
  if (!RB_TYPE_P(value, T_DATA) || RTYPEDDATA_P(value)) return Status::Error;
  void* data = DATA_PTR(value);
  if (type == nullptr) {
    *out = data;
    return Status::Ok;
  }
  ClassRecord* record = makingRecord(type);
  // Most wrappers are of the class itself: that needs no walk of the ancestors.
  if (record && record->klass &&
      (RBASIC_CLASS(value) == record->klass || RTEST(rb_obj_is_kind_of(value, record->klass)))) {
    if (data == nullptr) return Status::ObjectPreviouslyDeleted;
    *out = data;
    return Status::Ok;
  }
  std::string name;
  if (!wrapperTypeName(value, name)) return Status::Error;
  CastEntry* entry = typeCheckByName(name.c_str(), type);
  if (entry == nullptr) return Status::Error;
  // An allocated but never initialised wrapper holds nothing, whichever way its type
  // was recognised.
  if (data == nullptr) return Status::ObjectPreviouslyDeleted;
  if (entry->converter) {
    int newMemory = 0;
    data = entry->converter(data, &newMemory);
  }
  *out = data;
  return Status::Ok;
}

VALUE allocateInstance(VALUE klass, TypeDescriptor* type) {
  ClassRecord* record = makingRecord(type);
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
  if (valueReferences != nullptr) return;
  valueReferences = new ReferenceCounts();
  protect([] {
    // Without a class: hidden from ObjectSpace and from every Ruby method.
    valueReferencesRoot = rb_data_object_wrap(0, valueReferences, markValueReferences, nullptr);
    rb_gc_register_address(&valueReferencesRoot);
  });
}

void registerValue(VALUE value) {
  if (valueReferences == nullptr || isImmediateOrDynamicSymbol(value)) return;
  ++(*valueReferences)[value];
}

// Runs inside the collector's free functions too: erasing from the table neither
// allocates nor calls Ruby.
void unregisterValue(VALUE value) {
  if (valueReferences == nullptr || isImmediateOrDynamicSymbol(value)) return;
  auto found = valueReferences->find(value);
  if (found == valueReferences->end()) return;
  if (--found->second == 0) valueReferences->erase(found);
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
