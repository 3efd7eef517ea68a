#include "binding/Method.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace orvax {
namespace {

// The interpreter jumps (exceptions, throw) and switches fiber stacks without telling the
// address sanitizer, so the redzones of our frames that a jump skipped, or that an abandoned
// fiber left, stay poisoned on a stack the interpreter uses again. Whatever lies below an
// entry's frame is free stack: its poison is cleared before our code and the interpreter
// calls it makes run there. Only sanitizer builds do anything.
void clearStaleStackPoison() {
#if defined(__SANITIZE_ADDRESS__)
  constexpr std::size_t kBelow = 64 * 1024;
  char here;
  auto top = reinterpret_cast<std::uintptr_t>(&here) & ~std::uintptr_t{7};
  __asan_unpoison_memory_region(reinterpret_cast<void*>(top - kBelow), kBelow);
#endif
}

// Builds the Ruby exception for a C++ exception that is not a carried Ruby one.
VALUE exceptionFor(int kind, const char* message) {
  VALUE klass = kind == 1 ? rb_eNoMemError : rb_eRuntimeError;
  VALUE created = Qnil;
  int state = 0;
  struct Args {
    VALUE klass;
    const char* message;
  } args{klass, message};
  created = rb_protect(
      [](VALUE data) -> VALUE {
        auto* a = reinterpret_cast<Args*>(data);
        return rb_exc_new_cstr(a->klass, a->message);
      },
      reinterpret_cast<VALUE>(&args), &state);
  if (state) {
    created = rb_errinfo();
    rb_set_errinfo(Qnil);
  }
  return created;
}

template <class F>
bool guard(F&& body, VALUE* out, int* tag) {
  int kind = 0;
  // Filled only on failure: clearing all of it would cost every call.
  char message[512];
  message[0] = '\0';
  try {
    body();
    return true;
  } catch (const RubyError& e) {
    *out = e.exception();
    *tag = e.tag();
    return false;
  } catch (const std::bad_alloc&) {
    kind = 1;
  } catch (const std::exception& e) {
    kind = 2;
    std::strncpy(message, e.what(), sizeof message - 1);
  } catch (...) {
    kind = 2;
    std::strncpy(message, "unknown native exception", sizeof message - 1);
  }
  message[sizeof message - 1] = '\0';
  *out = exceptionFor(kind, kind == 1 ? "failed to allocate memory" : message);
  *tag = kRubyTagRaise;
  return false;
}

}  // namespace

bool invokeGuarded(const MethodDef& def, int argc, VALUE* argv, VALUE self, VALUE* out, int* tag) {
  clearStaleStackPoison();
  return guard(
      [&] {
        if (def.arity >= 0 && argc != def.arity) raiseArityError(argc, def.arity);
        *out = def.impl(def, argc, argv, self);
      },
      out, tag);
}

bool runGuarded(void (*body)(void*), void* data, VALUE* out, int* tag) {
  return guard([&] { body(data); }, out, tag);
}

void resumeRuby(VALUE exception, int tag) {
  if (tag == kRubyTagRaise) rb_exc_raise(exception);
  // The jump's own record, taken out of `$!` while it waited.
  setErrorInfo(exception);
  rb_jump_tag(tag);
}

}  // namespace orvax
