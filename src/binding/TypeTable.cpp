#include "binding/TypeTable.h"

#include <cstring>
#include <iterator>
#include <string>

#include "binding/Errors.h"

namespace orvax {
namespace {

// Iterators derive from const iterators without offset; the cast is the identity.
void* iteratorToConstIterator(void* pointer, int*) { return pointer; }

#define ORVAX_DESCRIPTOR(id, mangled, readable, ...) \
  TypeDescriptor t##id{mangled, readable, nullptr, nullptr, nullptr, 0};
ORVAX_TYPE_LIST(ORVAX_DESCRIPTOR, ORVAX_DESCRIPTOR)
#undef ORVAX_DESCRIPTOR

#define ORVAX_DESCRIPTOR_ADDRESS(id, ...) &t##id,
TypeDescriptor* initialTypes[kTypeCount] = {
    ORVAX_TYPE_LIST(ORVAX_DESCRIPTOR_ADDRESS, ORVAX_DESCRIPTOR_ADDRESS)};
#undef ORVAX_DESCRIPTOR_ADDRESS

// Look-up is a binary search with strcmp, so the list must be in byte order.
#define ORVAX_MANGLED_NAME(id, mangled, ...) mangled,
constexpr const char* kMangledNames[] = {ORVAX_TYPE_LIST(ORVAX_MANGLED_NAME, ORVAX_MANGLED_NAME)};
#undef ORVAX_MANGLED_NAME

constexpr bool byteLess(const char* a, const char* b) {
  for (; *a != '\0' && *a == *b; ++a, ++b) {
  }
  return static_cast<unsigned char>(*a) < static_cast<unsigned char>(*b);
}
constexpr bool inByteOrder() {
  for (std::size_t i = 1; i < std::size(kMangledNames); ++i) {
    if (!byteLess(kMangledNames[i - 1], kMangledNames[i])) return false;
  }
  return true;
}
static_assert(inByteOrder(), "the type list must be sorted byte-wise by mangled name");

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

namespace {

// Prepares this module's own lists, once; true the first time.
bool setUpOwnModule() {
  if (module.next != nullptr) return false;
  prepareCastLists();
  module.next = &module;
  module.types = resolvedTypes;
  module.initialTypes = initialTypes;
  module.initialCasts = initialCasts;
  return true;
}

// The holder other extensions of this kind left in the shared global, or nil.
VALUE ringHolder() {
  return protect([] {
    VALUE verbose = rb_gv_get("$VERBOSE");
    rb_gv_set("$VERBOSE", Qfalse);
    VALUE value = rb_gv_get("$swig_runtime_data_type_pointer4");
    rb_gv_set("$VERBOSE", verbose);
    return value;
  });
}

// Joins the ring the holder carries; false when this module is in it already.
bool joinRing(VALUE holder) {
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
    if (iter == &module) return false;
    iter = iter->next;
  } while (iter != nullptr && iter != head);
  module.next = head->next;
  head->next = &module;
  return true;
}

// Starts the ring with this module as its only member.
void publishRing() {
  runtimeDataHolder = protect([] {
    VALUE klass = rb_define_class("swig_runtime_data", rb_cObject);
    rb_undef_alloc_func(klass);
    return rb_data_object_wrap(klass, &module, nullptr, nullptr);
  });
  protect(
      [] { rb_define_readonly_variable("$swig_runtime_data_type_pointer4", &runtimeDataHolder); });
}

// Uses the descriptors the ring already has for our types, and chains the cast lists.
void resolveDescriptors() {
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

}  // namespace

void initTypeTable() {
  bool firstSetUp = setUpOwnModule();
  VALUE holder = ringHolder();
  if (!NIL_P(holder)) {
    if (!joinRing(holder)) return;  // already in the ring
  } else {
    publishRing();
  }
  if (firstSetUp) resolveDescriptors();
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
