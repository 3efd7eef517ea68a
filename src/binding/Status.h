#pragma once
// The outcome of a conversion from a Ruby value to a native one. Success is Ok, or
// NewObject when the conversion made a native object of its own (a text, a sequence or a
// map built from Ruby values) that the holder releases after the call; every failure
// names the Ruby exception class that reports it (Errors.h: errorClassFor).
namespace orvax {

enum class Status : int {
  Ok = 0,
  NewObject = 512,
  Error = -1,  // reported as TypeError when an argument or receiver fails to convert
  IOError = -2,
  RuntimeError = -3,
  IndexError = -4,
  TypeError = -5,
  DivisionByZero = -6,
  OverflowError = -7,
  SyntaxError = -8,
  ValueError = -9,
  SystemError = -10,
  AttributeError = -11,
  MemoryError = -12,
  NullReference = -13,
  ObjectPreviouslyDeleted = -100,
};

constexpr bool isOk(Status status) { return static_cast<int>(status) >= 0; }

}  // namespace orvax
