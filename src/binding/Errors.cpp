#include "binding/Errors.h"

#include <cstdio>

#include "platform/Platform.h"

namespace orvax {

RubyError::Pin::Pin(VALUE v) : value(v) {
  // Registering may allocate and so collect: until it is done, the argument on the
  // stack is the only reference the collector can see.
  volatile VALUE guard = v;
  rb_gc_register_address(&value);
  RB_GC_GUARD(guard);
}
RubyError::Pin::~Pin() { rb_gc_unregister_address(&value); }

RubyError::RubyError(VALUE exception, int tag)
    : pin_(std::make_shared<Pin>(exception)), tag_(tag) {}

const char* RubyError::kind() const {
  switch (tag_) {
    case kRubyTagRaise:
      return "exception";
    case 1:
      return "return";
    case 2:
      return "break";
    case 3:
      return "next";
    case 4:
      return "retry";
    case 5:
      return "redo";
    case 7:
      return "throw";
    case kRubyTagFatal:
      // A killed thread's record is a small integer; a fatal error's is its exception.
      return RB_FIXNUM_P(pin_->value) ? "kill" : "fatal error";
    default:
      return "jump";
  }
}

namespace {
// The interpreter keeps a jump's record (a throw's tag, a break's target frame, a kill)
// in the error info of the running execution context, and rb_set_errinfo refuses
// anything but an exception. To carry a jump across our frames and resume it later, the
// record is taken out (so `$!` reads what it read before) and put back just before the
// jump resumes. The slot is found once, by where a known exception shows up.
constexpr int kContextWordsSearched = 64;
long errorInfoWord = -1;

#if RUBY_API_VERSION_MAJOR >= 3 && !defined(_WIN32)
extern "C" __thread void* ruby_current_ec;
VALUE* currentContext() { return static_cast<VALUE*>(ruby_current_ec); }
#elif RUBY_API_VERSION_MAJOR >= 3
// A thread-local variable cannot be imported from a DLL: there the interpreter keeps the
// context in a storage index of the system.
extern "C" {
RUBY_EXTERN unsigned long ruby_current_ec_key;
}
VALUE* currentContext() {
  return static_cast<VALUE*>(platform::threadLocalValue(ruby_current_ec_key));
}
#else
extern "C" {
RUBY_EXTERN void* ruby_current_execution_context_ptr;
}
VALUE* currentContext() { return static_cast<VALUE*>(ruby_current_execution_context_ptr); }
#endif

bool isException(VALUE value) {
  return !RB_SPECIAL_CONST_P(value) && RB_TYPE_P(value, T_OBJECT) &&
         RTEST(rb_obj_is_kind_of(value, rb_eException));
}

long wordHolding(const VALUE* words, VALUE value) {
  for (long i = 0; i < kContextWordsSearched; ++i) {
    if (words[i] == value) return i;
  }
  return -1;
}
}  // namespace

void locateErrorInfo() {
  VALUE* context = currentContext();
  if (context == nullptr || errorInfoWord >= 0) return;
  VALUE before = rb_errinfo();
  VALUE first = newException(rb_eStandardError, "first");
  VALUE second = newException(rb_eStandardError, "second");
  rb_set_errinfo(first);
  long word = wordHolding(context, first);
  rb_set_errinfo(second);
  if (word >= 0 && context[word] == second) errorInfoWord = word;
  rb_set_errinfo(isException(before) ? before : Qnil);
  RB_GC_GUARD(first);
  RB_GC_GUARD(second);
}

void setErrorInfo(VALUE value) {
  VALUE* context = currentContext();
  if (context != nullptr && errorInfoWord >= 0) {
    context[errorInfoWord] = value;
  } else {
    rb_set_errinfo(isException(value) ? value : Qnil);
  }
}

bool canResumeJumps() { return currentContext() != nullptr && errorInfoWord >= 0; }

namespace detail {
void throwProtectState(int state, VALUE savedErrinfo) {
  VALUE carried = rb_errinfo();
  // The exit travels in the RubyError; `$!` goes back to what it was before the call.
  setErrorInfo(savedErrinfo);
  if (state != kRubyTagRaise && !canResumeJumps()) {
    // Without access to the error info the record could not be put back: the exit
    // becomes an ordinary error rather than a jump to a stale target.
    throw RubyError(newException(rb_eRuntimeError, "non-local exit from a native call"));
  }
  throw RubyError(carried, state);
}
}  // namespace detail

VALUE newException(VALUE klass, const std::string& message) {
  const char* data = message.data();
  long size = static_cast<long>(message.size());
  return protect([&] { return rb_exc_new(klass, data, size); });
}

void raise(VALUE klass, const std::string& message) {
  throw RubyError(newException(klass, message));
}

namespace {
VALUE definedOnRequest(VALUE& slot, const char* name) {
  if (NIL_P(slot) || slot == 0) {
    // A top-level constant: reachable, and never moved, for the interpreter's lifetime.
    slot = protect([&] { return rb_define_class(name, rb_eRuntimeError); });
  }
  return slot;
}
VALUE nullReferenceClass = Qnil;
VALUE previouslyDeletedClass = Qnil;
}  // namespace

VALUE errorClassFor(Status status) {
  switch (status) {
    case Status::IOError:
      return rb_eIOError;
    case Status::IndexError:
      return rb_eIndexError;
    case Status::TypeError:
      return rb_eTypeError;
    case Status::DivisionByZero:
      return rb_eZeroDivError;
    case Status::OverflowError:
      return rb_eRangeError;
    case Status::SyntaxError:
      return rb_eSyntaxError;
    case Status::ValueError:
      return rb_eArgError;
    case Status::SystemError:
      return rb_eFatal;
    case Status::MemoryError:
      return rb_eNoMemError;
    case Status::NullReference:
      return definedOnRequest(nullReferenceClass, "NullReferenceError");
    case Status::ObjectPreviouslyDeleted:
      return definedOnRequest(previouslyDeletedClass, "ObjectPreviouslyDeleted");
    default:  // generic, runtime and attribute errors, and any other value
      return rb_eRuntimeError;
  }
}

namespace {
// The value's inspect text, or the default object text when it has no inspect method
// (a BasicObject) or its inspect fails: the message must be built whatever the value is.
VALUE inspectForMessage(VALUE value) {
  VALUE text = Qnil;
  static ID inspect = rb_intern("inspect");
  if (attempt([&] { text = rb_respond_to(value, inspect) ? rb_inspect(value) : Qnil; }) &&
      RB_TYPE_P(text, T_STRING)) {
    return text;
  }
  return protect([&] { return rb_any_to_s(value); });
}
}  // namespace

std::string formatTypeError(const char* prefix, const char* typeText, const char* methodName,
                            int position, VALUE value) {
  std::string message;
  if (prefix && *prefix) message = prefix;
  message += "Expected argument ";
  message += std::to_string(position - 1);
  message += " of type ";
  message += typeText;
  message += ", but got ";
  // Copied at once: the name of an anonymous class is a String that nothing keeps.
  message += protect([&] { return std::string(rb_obj_classname(value)); });
  message += ' ';
  VALUE inspected = inspectForMessage(value);
  const char* text = RSTRING_PTR(inspected);
  size_t size = static_cast<size_t>(RSTRING_LEN(inspected));
  if (size > 30) {
    message.append(text, 30);
    message += "...";
  } else {
    message.append(text, size);
  }
  RB_GC_GUARD(inspected);
  if (methodName) {
    message += "\n\tin SWIG method '";
    message += methodName;
    message += "'";
  }
  return message;
}

void raiseArgumentError(Status status, const char* typeText, const char* methodName, int position,
                        VALUE value) {
  VALUE klass = errorClassFor(status == Status::Error ? Status::TypeError : status);
  raise(klass, formatTypeError("", typeText, methodName, position, value));
}

void raiseNullReference(const char* typeText, const char* methodName, int position, VALUE value) {
  raise(errorClassFor(Status::ValueError),
        formatTypeError("invalid null reference ", typeText, methodName, position, value));
}

void raiseArityError(int given, int expected) {
  raise(rb_eArgError,
        "wrong # of arguments(" + std::to_string(given) + " for " + std::to_string(expected) + ")");
}

void raiseOverloadError(int count, int maxCount, const char* methodName, const char* prototypes) {
  std::string message = count > maxCount ? "Wrong # of arguments" : "Wrong arguments";
  message += " for overloaded method '";
  message += methodName;
  message += "'.\nPossible C/C++ prototypes are:\n";
  message += prototypes;
  raise(rb_eArgError, message);
}

void raiseDirectorTypeMismatch(VALUE klass, const char* detail) {
  std::string message = "SWIG director type mismatch";
  if (detail && *detail) {
    message += ' ';
    message += detail;
  }
  raise(klass, message);
}

void raiseDirectorPureVirtual(const char* detail) {
  std::string message = "SWIG director pure virtual method called";
  if (detail && *detail) {
    message += ' ';
    message += detail;
  }
  raise(rb_eRuntimeError, message);
}

bool rubyExceptionPending() { return !NIL_P(rb_gv_get("$!")); }

}  // namespace orvax
