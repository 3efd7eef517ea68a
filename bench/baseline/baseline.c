/* The hand-written C methods the benchmarks compare the extension with: each does the
 * least a binding must do (convert its argument, call through a function pointer,
 * convert the result), nothing more. */
#include <ruby.h>

static int size = 0;
static void storeSize(int value) { size = value; }
static int readSize(void) { return size; }

/* Volatile, so the compiler calls through the pointers as the extension must. */
static void (*volatile setSlot)(int) = storeSize;
static int (*volatile getSlot)(void) = readSize;

static VALUE baselineSet(VALUE self, VALUE value) {
  (void)self;
  setSlot(NUM2INT(value));
  return Qnil;
}

static VALUE baselineGet(VALUE self) {
  (void)self;
  return INT2NUM(getSlot());
}

/* rb_funcall of `name` on `receiver`, `count` times, each with a new String `text`. */
static VALUE baselineCallWithText(VALUE self, VALUE receiver, VALUE name, VALUE text, VALUE count) {
  (void)self;
  ID method = rb_to_id(name);
  const char* bytes = StringValuePtr(text);
  long length = RSTRING_LEN(text);
  long n = NUM2LONG(count);
  for (long i = 0; i < n; ++i) rb_funcall(receiver, method, 1, rb_str_new(bytes, length));
  return Qnil;
}

void Init_orvax_baseline(void) {
  VALUE klass = rb_define_class("OrvaxBaseline", rb_cObject);
  rb_define_method(klass, "set", baselineSet, 1);
  rb_define_method(klass, "get", baselineGet, 0);
  rb_define_method(klass, "call_with_text", baselineCallWithText, 4);
}
