#include "binding/TypeTable.h"

#include <cstring>
#include <string>

#include "binding/Errors.h"

namespace orvax {
namespace {

// Iterators derive from const iterators without offset; the cast is the identity.
void* iteratorToConstIterator(void* pointer, int*) { return pointer; }

#define ORVAX_TYPE(id, mangled, text) \
  TypeDescriptor id{mangled, text, nullptr, nullptr, nullptr, 0};
ORVAX_TYPE(tClippingBox, "_p_ClippingBox", "ClippingBox *")
ORVAX_TYPE(tINativeToRuby, "_p_INativeToRuby", "INativeToRuby *")
ORVAX_TYPE(tMyNativeClass, "_p_MyNativeClass", "MyNativeClass *")
ORVAX_TYPE(tSectionPlane, "_p_SectionPlane", "SectionPlane *")
ORVAX_TYPE(tAllocatorType, "_p_allocator_type", "allocator_type *")
ORVAX_TYPE(tChar, "_p_char", "char *")
ORVAX_TYPE(tConstReference, "_p_const_reference", "const_reference *")
ORVAX_TYPE(tDifferenceType, "_p_difference_type", "difference_type *")
ORVAX_TYPE(tKeyType, "_p_key_type", "key_type *")
ORVAX_TYPE(tMappedType, "_p_mapped_type", "mapped_type *")
ORVAX_TYPE(tPointerToVoid, "_p_p_void", "void **")
ORVAX_TYPE(tReference, "_p_reference", "reference *")
ORVAX_TYPE(tSizeType, "_p_size_type", "size_type *")
ORVAX_TYPE(tAllocatorClippingBox, "_p_std__allocatorT_ClippingBox_t",
           "std::allocator< ClippingBox > *")
ORVAX_TYPE(tAllocatorSectionPlane, "_p_std__allocatorT_SectionPlane_t",
           "std::allocator< SectionPlane > *")
ORVAX_TYPE(tAllocatorBool, "_p_std__allocatorT_bool_t", "std::allocator< bool > *")
ORVAX_TYPE(tAllocatorDouble, "_p_std__allocatorT_double_t", "std::allocator< double > *")
ORVAX_TYPE(tAllocatorFloat, "_p_std__allocatorT_float_t", "std::allocator< float > *")
ORVAX_TYPE(tAllocatorInt, "_p_std__allocatorT_int_t", "std::allocator< int > *")
ORVAX_TYPE(tAllocatorStringPair, "_p_std__allocatorT_std__pairT_std__string_const_std__string_t_t",
           "std::allocator< std::pair< std::string const,std::string > > *")
ORVAX_TYPE(tAllocatorString, "_p_std__allocatorT_std__string_t", "std::allocator< std::string > *")
ORVAX_TYPE(tLessString, "_p_std__lessT_std__string_t", "std::less< std::string > *")
#define ORVAX_MAP_MANGLED                                                                          \
  "_p_std__mapT_std__string_std__string_std__lessT_std__string_t_std__allocatorT_std__pairT_std__" \
  "string_const_std__string_t_t_t"
#define ORVAX_MAP_TEXT                                                                     \
  "std::map< std::string,std::string,std::less< std::string >,std::allocator< std::pair< " \
  "std::string const,std::string > > >"
ORVAX_TYPE(tStringStringMap, ORVAX_MAP_MANGLED,
           ORVAX_MAP_TEXT " *|std::map< std::string,std::string > *")
ORVAX_TYPE(tStringStringMapIterator, ORVAX_MAP_MANGLED "__iterator", ORVAX_MAP_TEXT "::iterator *")
ORVAX_TYPE(tStringStringMapReverseIterator, ORVAX_MAP_MANGLED "__reverse_iterator",
           ORVAX_MAP_TEXT "::reverse_iterator *")
#define ORVAX_VECTOR(id, mangledElement, element)                                               \
  ORVAX_TYPE(id, "_p_std__vectorT_" mangledElement "_std__allocatorT_" mangledElement "_t_t",   \
             "std::vector< " element ",std::allocator< " element " > > *|std::vector< " element \
             " > *")
ORVAX_VECTOR(tClippingBoxVector, "ClippingBox", "ClippingBox")
ORVAX_VECTOR(tSectionPlaneVector, "SectionPlane", "SectionPlane")
ORVAX_VECTOR(tBoolVector, "bool", "bool")
ORVAX_VECTOR(tDoubleVector, "double", "double")
ORVAX_VECTOR(tFloatVector, "float", "float")
ORVAX_VECTOR(tIntVector, "int", "int")
ORVAX_VECTOR(tStringVector, "std__string", "std::string")
ORVAX_TYPE(tWideString, "_p_std__wstring", "std::wstring *")
ORVAX_TYPE(tConstIterator, "_p_swig__ConstIterator", "swig::ConstIterator *")
ORVAX_TYPE(tGcValue, "_p_swig__GC_VALUE", "swig::GC_VALUE *")
ORVAX_TYPE(tIterator, "_p_swig__Iterator", "swig::Iterator *")
ORVAX_TYPE(tValueType, "_p_value_type", "value_type *")
ORVAX_TYPE(tVoid, "_p_void", "VALUE|void *")
#undef ORVAX_VECTOR
#undef ORVAX_TYPE

TypeDescriptor* initialTypes[kTypeCount] = {
    &tClippingBox,
    &tINativeToRuby,
    &tMyNativeClass,
    &tSectionPlane,
    &tAllocatorType,
    &tChar,
    &tConstReference,
    &tDifferenceType,
    &tKeyType,
    &tMappedType,
    &tPointerToVoid,
    &tReference,
    &tSizeType,
    &tAllocatorClippingBox,
    &tAllocatorSectionPlane,
    &tAllocatorBool,
    &tAllocatorDouble,
    &tAllocatorFloat,
    &tAllocatorInt,
    &tAllocatorStringPair,
    &tAllocatorString,
    &tLessString,
    &tStringStringMap,
    &tStringStringMapIterator,
    &tStringStringMapReverseIterator,
    &tClippingBoxVector,
    &tSectionPlaneVector,
    &tBoolVector,
    &tDoubleVector,
    &tFloatVector,
    &tIntVector,
    &tStringVector,
    &tWideString,
    &tConstIterator,
    &tGcValue,
    &tIterator,
    &tValueType,
    &tVoid,
};

// Each type accepts itself; the const iterator also accepts the mutable iterator.
// Every list ends with an entry whose type is empty.
CastEntry castLists[kTypeCount][3];
CastEntry* initialCasts[kTypeCount];

TypeDescriptor* resolvedTypes[kTypeCount + 1];

TypeModule module{nullptr, kTypeCount, nullptr, initialTypes, initialCasts, nullptr};

VALUE runtimeDataHolder = Qnil;

void prepareCastLists() {
  for (std::size_t i = 0; i < kTypeCount; ++i) {
    castLists[i][0] = CastEntry{initialTypes[i], nullptr, nullptr, nullptr};
    castLists[i][1] = CastEntry{nullptr, nullptr, nullptr, nullptr};
    castLists[i][2] = CastEntry{nullptr, nullptr, nullptr, nullptr};
    initialCasts[i] = castLists[i];
  }
  auto constIterator = static_cast<std::size_t>(Type::ConstIterator);
  castLists[constIterator][1] = CastEntry{&tIterator, iteratorToConstIterator, nullptr, nullptr};
}

// Binary search over a module's name-sorted, resolved descriptors.
TypeDescriptor* findInModule(const TypeModule* m, const char* name) {
  if (m->size == 0 || m->types == nullptr) return nullptr;
  std::size_t lo = 0, hi = m->size;
  while (lo < hi) {
    std::size_t mid = lo + (hi - lo) / 2;
    TypeDescriptor* candidate = m->types[mid];
    if (candidate == nullptr || candidate->name == nullptr) return nullptr;
    int cmp = std::strcmp(name, candidate->name);
    if (cmp == 0) return candidate;
    if (cmp < 0) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return nullptr;
}

TypeDescriptor* findInOtherModules(const char* name) {
  for (TypeModule* m = module.next; m != nullptr && m != &module; m = m->next) {
    if (TypeDescriptor* found = findInModule(m, name)) return found;
  }
  return nullptr;
}

// Compares two spellings ignoring blanks.
bool sameSpelling(const char* a, const char* aEnd, const char* b, const char* bEnd) {
  for (;;) {
    while (a != aEnd && *a == ' ') ++a;
    while (b != bEnd && *b == ' ') ++b;
    if (a == aEnd || b == bEnd) return a == aEnd && b == bEnd;
    if (*a != *b) return false;
    ++a;
    ++b;
  }
}

bool readableMatches(const TypeDescriptor* type, const char* name) {
  if (type->readable == nullptr) return false;
  const char* nameEnd = name + std::strlen(name);
  const char* start = type->readable;
  for (;;) {
    const char* end = std::strchr(start, '|');
    const char* stop = end ? end : start + std::strlen(start);
    if (sameSpelling(start, stop, name, nameEnd)) return true;
    if (!end) return false;
    start = end + 1;
  }
}

}  // namespace

TypeDescriptor* descriptor(Type type) {
  auto i = static_cast<std::size_t>(type);
  return resolvedTypes[i] ? resolvedTypes[i] : initialTypes[i];
}
TypeDescriptor* ownDescriptor(Type type) { return initialTypes[static_cast<std::size_t>(type)]; }
TypeModule& typeModule() { return module; }
ClassRecord* ownClassRecord(const TypeDescriptor* type) {
  if (type == nullptr) return nullptr;
  for (std::size_t i = 0; i < kTypeCount; ++i) {
    if (initialTypes[i] == type || resolvedTypes[i] == type) {
      return static_cast<ClassRecord*>(initialTypes[i]->classRecord);
    }
  }
  return nullptr;
}

void initTypeTable() {
  bool firstSetUp = false;
  if (module.next == nullptr) {
    prepareCastLists();
    module.next = &module;
    module.types = resolvedTypes;
    module.initialTypes = initialTypes;
    module.initialCasts = initialCasts;
    firstSetUp = true;
  }

  VALUE holder = protect([] {
    VALUE verbose = rb_gv_get("$VERBOSE");
    rb_gv_set("$VERBOSE", Qfalse);
    VALUE value = rb_gv_get("$swig_runtime_data_type_pointer4");
    rb_gv_set("$VERBOSE", verbose);
    return value;
  });
  if (!NIL_P(holder)) {
    protect([&] {
      Check_Type(holder, T_DATA);
      // Ruby code may have put any data object there before the first extension of
      // this kind loaded; only the holder such an extension makes carries a ring.
      if (RTYPEDDATA_P(holder) || std::strcmp(rb_obj_classname(holder), "swig_runtime_data") != 0) {
        rb_raise(rb_eTypeError, "%s", "$swig_runtime_data_type_pointer4 holds no type module");
      }
    });
    auto* head = static_cast<TypeModule*>(DATA_PTR(holder));
    TypeModule* iter = head;
    do {
      if (iter == &module) return;  // already in the ring
      iter = iter->next;
    } while (iter != nullptr && iter != head);
    module.next = head->next;
    head->next = &module;
  } else {
    runtimeDataHolder = protect([] {
      VALUE klass = rb_define_class("swig_runtime_data", rb_cObject);
      rb_undef_alloc_func(klass);
      return rb_data_object_wrap(klass, &module, nullptr, nullptr);
    });
    protect([] {
      rb_define_readonly_variable("$swig_runtime_data_type_pointer4", &runtimeDataHolder);
    });
  }

  if (!firstSetUp) return;
  if (module.size == 0) {
    resolvedTypes[0] = nullptr;
    return;
  }
  bool others = module.next != &module;
  for (std::size_t i = 0; i < module.size; ++i) {
    TypeDescriptor* type = initialTypes[i];
    if (others) {
      if (TypeDescriptor* found = findInOtherModules(type->name)) {
        if (type->classRecord) found->classRecord = type->classRecord;
        type = found;
      }
    }
    for (CastEntry* cast = initialCasts[i]; cast->type != nullptr; ++cast) {
      bool skip = false;
      if (others) {
        if (TypeDescriptor* found = findInOtherModules(cast->type->name)) {
          if (type == initialTypes[i]) {
            cast->type = found;
          } else if (typeCheckByName(found->name, type) != nullptr) {
            skip = true;
          }
        }
      }
      if (!skip) {
        if (type->cast) {
          type->cast->prev = cast;
          cast->next = type->cast;
        }
        type->cast = cast;
      }
    }
    resolvedTypes[i] = type;
  }
  resolvedTypes[module.size] = nullptr;
}

CastEntry* typeCheckByName(const char* sourceName, TypeDescriptor* expected) {
  if (expected == nullptr || sourceName == nullptr) return nullptr;
  CastEntry* head = expected->cast;
  for (CastEntry* entry = head; entry != nullptr; entry = entry->next) {
    if (entry->type != nullptr && std::strcmp(entry->type->name, sourceName) == 0) {
      if (entry != head) {
        entry->prev->next = entry->next;
        if (entry->next) entry->next->prev = entry->prev;
        entry->next = head;
        entry->prev = nullptr;
        head->prev = entry;
        expected->cast = entry;
      }
      return entry;
    }
  }
  return nullptr;
}

TypeDescriptor* queryType(const char* name) {
  TypeModule* m = &module;
  do {
    if (TypeDescriptor* found = findInModule(m, name)) return found;
    m = m->next;
  } while (m != nullptr && m != &module);
  m = &module;
  do {
    for (std::size_t i = 0; i < m->size && m->types && m->types[i]; ++i) {
      if (readableMatches(m->types[i], name)) return m->types[i];
    }
    m = m->next;
  } while (m != nullptr && m != &module);
  return nullptr;
}

std::string firstReadableName(const TypeDescriptor* type) {
  const char* text = type->readable ? type->readable : type->name;
  const char* bar = std::strchr(text, '|');
  return bar ? std::string(text, bar) : std::string(text);
}

void attachClassRecord(TypeDescriptor* type, ClassRecord* record) {
  type->classRecord = record;
  for (CastEntry* cast = type->cast; cast != nullptr; cast = cast->next) {
    if (cast->type && cast->converter == nullptr && cast->type->classRecord == nullptr) {
      attachClassRecord(cast->type, record);
    }
  }
}

}  // namespace orvax
