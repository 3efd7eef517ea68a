#include "binding/SequenceSupport.h"

#include <cstring>

namespace orvax {
namespace {

// Hidden (no '@'): Ruby code cannot read or replace it, the collector marks it.
ID referenceId() {
  static ID id = rb_intern("__orvax_reference__");
  return id;
}

bool acceptsType(VALUE value, TypeDescriptor* type) {
  auto* record = static_cast<ClassRecord*>(type->classRecord);
  if (record && record->klass && RTEST(rb_obj_is_kind_of(value, record->klass))) return true;
  std::string text;
  if (!wrapperTypeName(value, text)) return false;
  return typeCheckByName(text.c_str(), type) != nullptr;
}

}  // namespace

VALUE wrapReference(TypeDescriptor* type, VALUE owner, Resolver resolver, long index) {
  void* current = resolver(owner, index);
  if (current == nullptr) return Qnil;
  VALUE wrapper = wrapPointer(current, type, Ownership::Borrowed);
  DATA_PTR(wrapper) = nullptr;
  auto address = static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(resolver));
  protect([&] {
    VALUE link = rb_ary_new_from_args(3, owner, ULL2NUM(address), LONG2NUM(index));
    rb_obj_freeze(link);
    rb_ivar_set(wrapper, referenceId(), link);
  });
  return wrapper;
}

Status convertResolved(VALUE value, void** out, TypeDescriptor* type) {
  if (RB_TYPE_P(value, T_DATA) && type != nullptr) {
    VALUE link = rb_attr_get(value, referenceId());
    if (RB_TYPE_P(link, T_ARRAY) && RARRAY_LEN(link) == 3) {
      if (!acceptsType(value, type)) return Status::Error;
      auto resolver =
          reinterpret_cast<Resolver>(static_cast<std::uintptr_t>(NUM2ULL(RARRAY_AREF(link, 1))));
      void* p = resolver(RARRAY_AREF(link, 0), NUM2LONG(RARRAY_AREF(link, 2)));
      if (p == nullptr) return Status::ObjectPreviouslyDeleted;
      *out = p;
      return Status::Ok;
    }
  }
  return convertPointer(value, out, type);
}

void* resolvedReceiver(const char* typeText, const char* methodName, VALUE self,
                       TypeDescriptor* type) {
  void* p = nullptr;
  Status status = convertResolved(self, &p, type);
  if (!isOk(status)) raiseArgumentError(status, typeText, methodName, 1, self);
  if (p == nullptr)
    raiseArgumentError(Status::ObjectPreviouslyDeleted, typeText, methodName, 1, self);
  return p;
}

std::string expandElement(const char* pattern, const char* element, const char* className) {
  std::string out;
  for (const char* p = pattern; *p; ++p) {
    if (p[0] == '%' && (p[1] == 'E' || p[1] == 'C')) {
      out += p[1] == 'E' ? element : className;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

long normaliseIndex(long index, std::size_t size) {
  auto n = static_cast<long>(size);
  if (index < 0) index += n;
  return index >= 0 && index < n ? index : -1;
}

void checkGrowth(unsigned long long newSize) {
  if (newSize > kMaxElements) raise(rb_eRangeError, "container size too large");
}

void requireBlock(const char* message) {
  if (!rb_block_given_p()) raise(rb_eArgError, message);
}

VALUE yieldValue(VALUE value) {
  return protect([&] { return rb_yield(value); });
}

VALUE yieldValues(VALUE first, VALUE second) {
  return protect([&] { return rb_yield_values(2, first, second); });
}

VALUE newArray() {
  return protect([] { return rb_ary_new(); });
}

void arrayPush(VALUE array, VALUE value) {
  protect([&] { rb_ary_push(array, value); });
}

VALUE inspectText(VALUE value) {
  return protect([&] { return rb_inspect(value); });
}

VALUE plainText(VALUE value) {
  return protect([&] { return rb_obj_as_string(value); });
}

void appendText(std::string& out, VALUE text) {
  out.append(RSTRING_PTR(text), static_cast<size_t>(RSTRING_LEN(text)));
}

VALUE stringValue(const std::string& text) {
  return protect([&] { return rb_str_new(text.data(), static_cast<long>(text.size())); });
}

std::string classNameOf(VALUE value) {
  return protect([&] { return std::string(rb_obj_classname(value)); });
}

}  // namespace orvax
