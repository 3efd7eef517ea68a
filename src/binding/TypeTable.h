#pragma once
// Descriptions of the native types that cross into Ruby. These records are shared in
// memory with other extensions built the same way in the same interpreter (they walk
// each other's modules through a ring), so their fields and field order are fixed.
#include <cstddef>
#include <string>

#include "binding/Ruby.h"
#include "binding/TypeList.h"

namespace orvax {

struct TypeDescriptor;
struct ClassRecord;

using CastConverter = void* (*)(void* pointer, int* newMemory);
using DynamicCast = TypeDescriptor* (*)(void** pointer);

struct CastEntry {
  TypeDescriptor* type;     // the accepted source type
  CastConverter converter;  // null: the pointer is taken unchanged
  CastEntry* next;
  CastEntry* prev;
};

struct TypeDescriptor {
  const char* name;      // mangled name, the key of every look-up
  const char* readable;  // spelling(s) used in messages, joined by '|'
  DynamicCast dynamicCast;
  CastEntry* cast;
  void* classRecord;  // ClassRecord* once the wrapping class is registered
  int ownsClassRecord;
};

struct TypeModule {
  TypeDescriptor** types;
  std::size_t size;
  TypeModule* next;
  TypeDescriptor** initialTypes;
  CastEntry** initialCasts;
  void* clientData;
};

struct ClassRecord {
  VALUE klass;
  VALUE implementationModule;
  void (*mark)(void*);
  void (*destroy)(void*);
  int trackObjects;
};

// The descriptors of this extension, in the module's (name-sorted) order.
#define ORVAX_TYPE_ID(id, ...) id,
enum class Type : int { ORVAX_TYPE_LIST(ORVAX_TYPE_ID, ORVAX_TYPE_ID) Count };
#undef ORVAX_TYPE_ID
inline constexpr std::size_t kTypeCount = static_cast<std::size_t>(Type::Count);
static_assert(kTypeCount == 38);

// The descriptor in use for a type (after the ring may have replaced ours).
TypeDescriptor* descriptor(Type type);
// The descriptor as this extension defines it (for its readable name and class record).
TypeDescriptor* ownDescriptor(Type type);
TypeModule& typeModule();
// This extension's class record for `type` (one of its descriptors, or one a peer shares
// with it), or null.
ClassRecord* ownClassRecord(const TypeDescriptor* type);

// Joins the ring of modules shared through "$swig_runtime_data_type_pointer4".
void initTypeTable();

// The cast entry of `expected` that accepts the type named `sourceName` (moved to the
// front of the list), or null.
CastEntry* typeCheckByName(const char* sourceName, TypeDescriptor* expected);

// Looks a type up by mangled name, then by any readable spelling (spaces ignored), in
// this module and every module of the ring.
TypeDescriptor* queryType(const char* name);

// The readable name up to the first '|' (how a type is named in messages).
std::string firstReadableName(const TypeDescriptor* type);

// Attaches a class record to its descriptor and to every descriptor in its cast list
// that has no converter and no class record yet.
void attachClassRecord(TypeDescriptor* type, ClassRecord* record);

}  // namespace orvax
