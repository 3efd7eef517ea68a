#include "binding/Errors.h"

#include <cstdio>

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

namespace detail {
void throwProtectState(int state, VALUE savedErrinfo) {
  VALUE carried = rb_errinfo();
  if (state == kRubyTagRaise) {
    // The exception travels in the RubyError; `$!` goes back to what it was.
    rb_set_errinfo(savedErrinfo);
    throw RubyError(carried, state);
  }
  // break, throw and the like keep the interpreter's own record of the jump; the
  // boundary resumes it with rb_jump_tag.
  throw RubyError(Qnil, state);
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

VALUE errorClassForCode(int code) {
  switch (code) {
    case -12:
      return rb_eNoMemError;
    case -11:
      return rb_eRuntimeError;
    case -10:
      return rb_eFatal;
    case -9:
      return rb_eArgError;
    case -8:
      return rb_eSyntaxError;
    case -7:
      return rb_eRangeError;
    case -6:
      return rb_eZeroDivError;
    case -5:
      return rb_eTypeError;
    case -4:
      return rb_eIndexError;
    case -3:
      return rb_eRuntimeError;
    case -2:
      return rb_eIOError;
    case -1:
      return rb_eRuntimeError;
    case -13:
      return definedOnRequest(nullReferenceClass, "NullReferenceError");
    case -100:
      return definedOnRequest(previouslyDeletedClass, "ObjectPreviouslyDeleted");
    default:
      return rb_eRuntimeError;
  }
}

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
  VALUE inspected = protect([&] { return rb_inspect(value); });
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

void raiseArgumentError(int status, const char* typeText, const char* methodName, int position,
                        VALUE value) {
  int code = status == kError ? kTypeError : status;
  VALUE klass = errorClassForCode(code);
  raise(klass, formatTypeError("", typeText, methodName, position, value));
}

void raiseNullReference(const char* typeText, const char* methodName, int position, VALUE value) {
  raise(errorClassForCode(kValueError),
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
