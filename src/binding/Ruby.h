#pragma once
// The one place that includes the interpreter's headers and papers over version
// differences. Only calls that exist in Ruby 2.5 are used anywhere.
#include <ruby.h>
#include <ruby/version.h>

#ifndef RUBY_API_VERSION_MAJOR
#error "ruby/version.h is required"
#endif

// Tag that rb_protect reports for a raised exception (as opposed to break, throw, ...).
inline constexpr int kRubyTagRaise = 6;
// Tag of a thread being killed (and of fatal errors).
inline constexpr int kRubyTagFatal = 8;

#ifndef ORVAX_MODULE_NAME
#define ORVAX_MODULE_NAME ORVAX
#endif
#define ORVAX_STRINGIFY2(x) #x
#define ORVAX_STRINGIFY(x) ORVAX_STRINGIFY2(x)
#define ORVAX_CONCAT2(a, b) a##b
#define ORVAX_CONCAT(a, b) ORVAX_CONCAT2(a, b)

#ifdef _WIN32
#define ORVAX_EXPORT __declspec(dllexport)
#else
#define ORVAX_EXPORT __attribute__((visibility("default")))
#endif

namespace orvax {
// The name of the Ruby module this build defines ("ORVAX"; test builds use another).
inline constexpr const char kModuleName[] = ORVAX_STRINGIFY(ORVAX_MODULE_NAME);
}  // namespace orvax
