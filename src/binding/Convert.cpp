#include "binding/Convert.h"

namespace orvax {

bool readBigSigned(VALUE v, long long& out) {
  if (!RB_TYPE_P(v, T_BIGNUM)) return false;
  long long value;
  if (!attempt([&] { value = rb_big2ll(v); })) return false;
  out = value;
  return true;
}

bool readUnsigned(VALUE v, int bits, unsigned long long& out) {
  if (bits < 64) {
    // Negative values down to -2^(bits-1) wrap around, as the interpreter's unsigned
    // long conversion does where long has that width.
    long long value;
    if (!readSigned(v, -(1LL << (bits - 1)), (1LL << bits) - 1, value)) return false;
    out = static_cast<unsigned long long>(value) & ((1ULL << bits) - 1);
    return true;
  }
  if (RB_FIXNUM_P(v)) {
    out = static_cast<unsigned long long>(FIX2LONG(v));
    return true;
  }
  if (!RB_TYPE_P(v, T_BIGNUM)) return false;
  unsigned long long value;
  if (!attempt([&] { value = rb_big2ull(v); })) return false;
  out = value;
  return true;
}

long readLong32(VALUE v) {
  long long value = NUM2LL(v);  // refuses what the long conversion refuses, as it does
  if (value >= INT32_MIN && value <= INT32_MAX) return static_cast<long>(value);
  if (RB_FLOAT_TYPE_P(v)) {
    rb_raise(rb_eRangeError, "float %-.10g out of range of integer", RFLOAT_VALUE(v));
  }
  rb_raise(rb_eRangeError, "bignum too big to convert into `long'");
}

bool readBigDouble(VALUE v, double& out) {
  if (!RB_TYPE_P(v, T_BIGNUM)) return false;
  double value;
  if (!attempt([&] { value = rb_big2dbl(v); })) return false;
  out = value;
  return true;
}

Status convertText(VALUE v, TextHolder& out) {
  if (RB_TYPE_P(v, T_STRING)) {
    out.text.assign(RSTRING_PTR(v), static_cast<size_t>(RSTRING_LEN(v)));
    out.present = true;
    return Status::NewObject;
  }
  static TypeDescriptor* charType = queryType("_p_char");
  if (charType == nullptr) return Status::Error;
  void* p = nullptr;
  Status status = convertPointer(v, &p, charType);
  if (!isOk(status)) return Status::Error;
  if (p == nullptr) {
    out.present = false;
    return Status::Ok;
  }
  out.text = static_cast<const char*>(p);
  out.present = true;
  return Status::NewObject;
}

VALUE textToRuby(const std::string& text) {
  // Texts of any length become Strings: an opaque pointer to a text that is about to be
  // released would dangle.
  return protect([&] { return rb_str_new(text.data(), static_cast<long>(text.size())); });
}

VALUE frozenArray(VALUE array) {
  protect([&] { rb_obj_freeze(array); });
  return array;
}

void raiseSequenceTooLong() { raise(rb_eRangeError, "sequence size not valid in ruby"); }

}  // namespace orvax
