#pragma once
// Wrapper objects: Ruby data objects holding native pointers.
#include <string>

#include "binding/Ruby.h"
#include "binding/Status.h"
#include "binding/TypeTable.h"

namespace orvax {

// Whether a new wrapper destroys its native object when it is collected.
enum class Ownership { Borrowed, Owned };

VALUE wrapPointer(void* pointer, TypeDescriptor* type, Ownership ownership);

// The native object of a wrapper of `type` (or of a type that `type` accepts; any wrapper
// when `type` is null); nil gives a null pointer.
Status convertPointer(VALUE value, void** out, TypeDescriptor* type);

// Records that instances of `klass` (and of its subclasses) carry objects of the type
// named `typeName`: for them the class, not the editable "@__swigtype__", tells the type.
void registerWrappingClass(VALUE klass, const char* typeName);

// The descriptor name of a wrapper's native type, from its class: one of this extension's
// or one that a peer extension in the ring recorded. False for any other value.
bool wrapperTypeName(VALUE value, std::string& name);

VALUE allocateInstance(VALUE klass, TypeDescriptor* type);

// Keeps `owner` alive for as long as `wrapper` is (a wrapper that refers into memory
// owned by another Ruby object).
void keepOwnerAlive(VALUE wrapper, VALUE owner);

// The value-reference table: Ruby values that native holders refer to.
void initValueReferences();
void registerValue(VALUE value);
void unregisterValue(VALUE value);

// The shared tracking table ("@__trackings__" of module SWIG).
void initTracking(VALUE swigModule);

// Descriptor name of a wrapper, "@__swigtype__".
ID swigTypeId();

}  // namespace orvax
