#pragma once
// Pieces shared by every container class: wrappers that refer into another object,
// compile-time type texts, index rules, block calls and size limits.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "binding/Errors.h"
#include "binding/Ruby.h"
#include "binding/TypeTable.h"
#include "binding/Wrapper.h"

namespace orvax {

// ---- reference wrappers ----------------------------------------------------------------
//
// A wrapper that refers into memory owned elsewhere (a self-alias, a record's list, a
// stored record) does not keep a raw pointer: storage moves when a container grows. It
// keeps its owner's Ruby object (which keeps the owner alive) and finds the native
// object again on every use. Its data pointer stays empty, so code that converts it
// without resolving sees a deleted object rather than stale memory.

// Finds the referred object from the owner's Ruby object; null when it is gone.
using Resolver = void* (*)(VALUE owner, long index);

VALUE wrapReference(TypeDescriptor* type, VALUE owner, Resolver resolver, long index);

// Like convertPointer, but resolves reference wrappers.
Status convertResolved(VALUE value, void** out, TypeDescriptor* type);

template <class T>
Status convertResolvedAs(VALUE value, T*& out, TypeDescriptor* type) {
  void* p = nullptr;
  Status status = convertResolved(value, &p, type);
  out = static_cast<T*>(p);
  return status;
}

// The receiver of a container or record method (argument position 1).
void* resolvedReceiver(const char* typeText, const char* methodName, VALUE self,
                       TypeDescriptor* type);

// A reference to the same native object as `owner` (of the same type).
template <Type T>
void* resolveAlias(VALUE owner, long) {
  void* p = nullptr;
  return isOk(convertResolved(owner, &p, descriptor(T))) ? p : nullptr;
}

// ---- compile-time texts ------------------------------------------------------------------

constexpr std::size_t textLength(const char* text) {
  std::size_t n = 0;
  while (text[n] != '\0') ++n;
  return n;
}
template <std::size_t N>
struct TextBuffer {
  char data[N];
};
template <const char*... Parts>
constexpr auto joinTexts() {
  constexpr std::size_t size = (textLength(Parts) + ... + 1);
  TextBuffer<size> buffer{};
  std::size_t k = 0;
  for (const char* part : {Parts...}) {
    for (std::size_t i = 0; part[i] != '\0'; ++i) buffer.data[k++] = part[i];
  }
  buffer.data[k] = '\0';
  return buffer;
}
// The concatenation of the parts, as a constant text.
template <const char*... Parts>
inline constexpr auto kJoined = joinTexts<Parts...>();

// `pattern` with every "%E" replaced by `element` and every "%C" by `className`
// (prototype lists).
std::string expandElement(const char* pattern, const char* element, const char* className = "");

// ---- index rules -----------------------------------------------------------------------

// An index counted from the end when negative; -1 when it falls outside [0, size).
long normaliseIndex(long index, std::size_t size);

// ---- sizes -------------------------------------------------------------------------------

// No container grows past what a Ruby Array can hold; asking for more is refused
// before anything is allocated.
inline constexpr unsigned long long kMaxElements = 2147483647ULL;
void checkGrowth(unsigned long long newSize);

// ---- blocks ------------------------------------------------------------------------------

void requireBlock(const char* message = "no block given");
VALUE yieldValue(VALUE value);
VALUE yieldValues(VALUE first, VALUE second);

// Ruby helpers under protection.
VALUE newArray();
void arrayPush(VALUE array, VALUE value);
VALUE inspectText(VALUE value);
VALUE plainText(VALUE value);
void appendText(std::string& out, VALUE text);
VALUE stringValue(const std::string& text);
std::string classNameOf(VALUE value);

// An opaque object of a type without a Ruby class, owned by its wrapper.
template <class T>
VALUE wrapOwnedOpaque(T* object, TypeDescriptor* type) {
  VALUE wrapped = wrapPointer(object, type, Ownership::Borrowed);
  RDATA(wrapped)->dfree = [](void* p) { delete static_cast<T*>(p); };
  return wrapped;
}

// A new Ruby object owning `object`: an instance of the type's class, or an opaque object
// for a type without one. Ownership passes only once the wrapper exists, so an object
// whose wrapping fails is freed here.
template <class T>
VALUE wrapOwned(std::unique_ptr<T> object, TypeDescriptor* type) {
  VALUE wrapped = type->classRecord ? wrapPointer(object.get(), type, Ownership::Owned)
                                    : wrapOwnedOpaque(object.get(), type);
  object.release();
  return wrapped;
}

// `initialize` of a container or record class: a second call refills the native object in
// place, so iterators and references into it stay valid; a first one gives the wrapper a
// new object, freed by `destroy`.
template <class T>
void initializeInPlace(VALUE self, TypeDescriptor* type, void (*destroy)(void*), T&& contents) {
  T* existing = nullptr;
  if (isOk(convertResolvedAs(self, existing, type)) && existing) {
    *existing = std::move(contents);
  } else {
    DATA_PTR(self) = new T(std::move(contents));
    RDATA(self)->dfree = destroy;
  }
}

}  // namespace orvax
