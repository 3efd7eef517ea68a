#pragma once
// Ruby exceptions travelling through C++ code, and the texts of the binding's errors.
#include <exception>
#include <memory>
#include <string>
#include <utility>

#include "binding/Ruby.h"
#include "binding/Status.h"

namespace orvax {

// A Ruby non-local exit (an exception, a break or throw out of a block, a thread being
// killed) caught by `protect` and carried through C++ frames as a C++ exception. For an
// exception the carried value is the exception; for any other exit it is the
// interpreter's record of the jump, which `resumeRuby` puts back before jumping on. The
// carried value is a registered GC root for as long as any copy of the error exists.
class RubyError : public std::exception {
 public:
  explicit RubyError(VALUE exception, int tag = kRubyTagRaise);
  VALUE exception() const { return pin_->value; }
  int tag() const { return tag_; }
  bool isException() const { return tag_ == kRubyTagRaise; }
  // "throw", "break", "kill", ...: what kind of exit this is, for console lines.
  const char* kind() const;
  const char* what() const noexcept override { return "Ruby exception"; }

 private:
  struct Pin {
    explicit Pin(VALUE v);
    ~Pin();
    Pin(const Pin&) = delete;
    Pin& operator=(const Pin&) = delete;
    VALUE value;
  };
  std::shared_ptr<Pin> pin_;
  int tag_;
};

namespace detail {
[[noreturn]] void throwProtectState(int state, VALUE savedErrinfo);
}

// Sets the interpreter's error info (`$!`) to `value`, which may be the record of a jump
// in progress (rb_set_errinfo accepts exceptions only). Never raises.
void setErrorInfo(VALUE value);
// Locates the interpreter's error info; called once while the extension loads.
void locateErrorInfo();

// Runs an interpreter call that may raise. A Ruby exception becomes a RubyError; a
// C++ exception thrown by `f` passes through. `f` must hold no C++ object with a
// destructor across the interpreter call: keep it to the call itself.
template <class F>
auto protect(F&& f) -> decltype(f()) {
  using R = decltype(f());
  struct Context {
    F* f;
    std::conditional_t<std::is_void_v<R>, int, R> result{};
    std::exception_ptr error;
  } context{&f, {}, {}};
  int state = 0;
  VALUE savedErrinfo = rb_errinfo();
  rb_protect(
      [](VALUE data) -> VALUE {
        auto* c = reinterpret_cast<Context*>(data);
        try {
          if constexpr (std::is_void_v<R>) {
            (*c->f)();
          } else {
            c->result = (*c->f)();
          }
        } catch (...) {
          c->error = std::current_exception();
        }
        return Qnil;
      },
      reinterpret_cast<VALUE>(&context), &state);
  if (state != 0) detail::throwProtectState(state, savedErrinfo);
  if (context.error) std::rethrow_exception(context.error);
  if constexpr (!std::is_void_v<R>) return std::move(context.result);
}

// Runs an interpreter call and reports whether it raised; a raised exception is
// swallowed (`$!` stays as it was before the call).
template <class F>
bool attempt(F&& f) {
  try {
    protect(std::forward<F>(f));
    return true;
  } catch (const RubyError& e) {
    if (e.tag() != kRubyTagRaise) throw;
    return false;
  }
}

// A new exception of `klass` with `message` (created under protection).
VALUE newException(VALUE klass, const std::string& message);
[[noreturn]] void raise(VALUE klass, const std::string& message);

// The Ruby exception class that reports a failed conversion; the one place a status
// becomes an error class.
VALUE errorClassFor(Status status);

// "Expected argument N of type T, but got C inspect\n\tin SWIG method 'M'".
std::string formatTypeError(const char* prefix, const char* typeText, const char* methodName,
                            int position, VALUE value);

// The error for a failed conversion of the receiver or of an argument (a generic failure
// is reported as a type error).
[[noreturn]] void raiseArgumentError(Status status, const char* typeText, const char* methodName,
                                     int position, VALUE value);
[[noreturn]] void raiseNullReference(const char* typeText, const char* methodName, int position,
                                     VALUE value);
[[noreturn]] void raiseArityError(int given, int expected);
[[noreturn]] void raiseOverloadError(int count, int maxCount, const char* methodName,
                                     const char* prototypes);

// Errors of calls into the script's callback object.
[[noreturn]] void raiseDirectorTypeMismatch(VALUE klass, const char* detail);
[[noreturn]] void raiseDirectorPureVirtual(const char* detail);

// Whether a Ruby exception is being handled (`$!` is set).
bool rubyExceptionPending();

}  // namespace orvax
