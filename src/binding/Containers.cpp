// The container classes, one sequence template instantiated per element type, and the
// string map.
#include "binding/SequenceClass.h"
#include "binding/StringMap.h"

namespace orvax {

void includeEnumerable(VALUE klass) {
  protect([&] { rb_include_module(klass, rb_eval_string("Enumerable")); });
}

void defineAliases(VALUE klass, std::initializer_list<std::pair<const char*, const char*>> pairs) {
  for (const auto& [alias, original] : pairs) {
    protect([&] { rb_define_alias(klass, alias, original); });
  }
}

namespace {

template <class Element, Type T, Type A, bool Enumerable, bool Extra, bool Records>
struct SequenceTraits {
  using E = Element;
  static constexpr Type type = T;
  static constexpr Type allocatorType = A;
  static constexpr bool enumerable = Enumerable;
  static constexpr bool extraMethods = Extra;
  static constexpr bool recordElements = Records;
};

struct IntTraits : SequenceTraits<int, Type::IntVector, Type::AllocatorInt, true, true, false> {
  static constexpr char className[] = "IntVector";
  static constexpr char element[] = "int";
  static constexpr char mangled[] = "int";
  static constexpr char inspectType[] = "std::vector<int,std::allocator< int > >";
};
struct DoubleTraits
    : SequenceTraits<double, Type::DoubleVector, Type::AllocatorDouble, true, true, false> {
  static constexpr char className[] = "DoubleVector";
  static constexpr char element[] = "double";
  static constexpr char mangled[] = "double";
  static constexpr char inspectType[] = "std::vector<double,std::allocator< double > >";
};
struct BoolTraits
    : SequenceTraits<bool, Type::BoolVector, Type::AllocatorBool, false, true, false> {
  static constexpr char className[] = "BoolVector";
  static constexpr char element[] = "bool";
  static constexpr char mangled[] = "bool";
  static constexpr char inspectType[] = "std::vector<bool, std::allocator< bool > >";
};
struct FloatTraits
    : SequenceTraits<float, Type::FloatVector, Type::AllocatorFloat, true, true, false> {
  static constexpr char className[] = "FloatVector";
  static constexpr char element[] = "float";
  static constexpr char mangled[] = "float";
  static constexpr char inspectType[] = "std::vector<float,std::allocator< float > >";
};
struct StringTraits
    : SequenceTraits<std::string, Type::StringVector, Type::AllocatorString, true, true, false> {
  static constexpr char className[] = "StringVector";
  static constexpr char element[] = "std::string";
  static constexpr char mangled[] = "std_string";
  static constexpr char inspectType[] = "std::vector<std::string,std::allocator< std::string > >";
};
struct ClippingBoxTraits : SequenceTraits<ClippingBox, Type::ClippingBoxVector,
                                          Type::AllocatorClippingBox, true, false, true> {
  static constexpr char className[] = "ClippingBoxVector";
  static constexpr char element[] = "ClippingBox";
  static constexpr char mangled[] = "ClippingBox";
  static constexpr char inspectType[] = "std::vector<ClippingBox,std::allocator< ClippingBox > >";
};
struct SectionPlaneTraits : SequenceTraits<SectionPlane, Type::SectionPlaneVector,
                                           Type::AllocatorSectionPlane, true, false, true> {
  static constexpr char className[] = "SectionPlaneVector";
  static constexpr char element[] = "SectionPlane";
  static constexpr char mangled[] = "SectionPlane";
  static constexpr char inspectType[] = "std::vector<SectionPlane,std::allocator< SectionPlane > >";
};

ClassRecord records[7]{};

}  // namespace

void defineContainers(VALUE module) {
  SequenceClass<IntTraits>::define(module, records[0]);
  SequenceClass<DoubleTraits>::define(module, records[1]);
  SequenceClass<BoolTraits>::define(module, records[2]);
  SequenceClass<FloatTraits>::define(module, records[3]);
  SequenceClass<StringTraits>::define(module, records[4]);
  SequenceClass<ClippingBoxTraits>::define(module, records[5]);
  SequenceClass<SectionPlaneTraits>::define(module, records[6]);
  defineStringMap(module);
}

}  // namespace orvax
