#pragma once
// The one list of the native types that cross into Ruby. Everything that enumerates them
// (the Type enum, the descriptor records, the module's descriptor array, the wrapped C++
// types) is generated from it. Entries are in byte order of their mangled names: look-up
// is a binary search over the module's array, and the type table checks the order at
// compile time.
//
// ORVAX_TYPE_LIST(T, W) calls T(id, mangled, readable) for a type only named, and
// W(id, mangled, readable, native) for a type whose objects wrap the C++ type `native`.
// `readable` holds the spellings used in messages, joined by '|'.

#define ORVAX_MAP_MANGLED                                                                          \
  "_p_std__mapT_std__string_std__string_std__lessT_std__string_t_std__allocatorT_std__pairT_std__" \
  "string_const_std__string_t_t_t"
#define ORVAX_MAP_TEXT                                                                     \
  "std::map< std::string,std::string,std::less< std::string >,std::allocator< std::pair< " \
  "std::string const,std::string > > >"
#define ORVAX_VECTOR_MANGLED(element) "_p_std__vectorT_" element "_std__allocatorT_" element "_t_t"
#define ORVAX_VECTOR_TEXT(element) \
  "std::vector< " element ",std::allocator< " element " > > *|std::vector< " element " > *"

#define ORVAX_TYPE_LIST(T, W)                                                                      \
  W(ClippingBox, "_p_ClippingBox", "ClippingBox *", ClippingBox)                                   \
  W(INativeToRuby, "_p_INativeToRuby", "INativeToRuby *", INativeToRuby)                           \
  W(MyNativeClass, "_p_MyNativeClass", "MyNativeClass *", MyNativeClass)                           \
  W(SectionPlane, "_p_SectionPlane", "SectionPlane *", SectionPlane)                               \
  T(AllocatorType, "_p_allocator_type", "allocator_type *")                                        \
  T(Char, "_p_char", "char *")                                                                     \
  T(ConstReference, "_p_const_reference", "const_reference *")                                     \
  T(DifferenceType, "_p_difference_type", "difference_type *")                                     \
  T(KeyType, "_p_key_type", "key_type *")                                                          \
  T(MappedType, "_p_mapped_type", "mapped_type *")                                                 \
  T(PointerToVoid, "_p_p_void", "void **")                                                         \
  T(Reference, "_p_reference", "reference *")                                                      \
  T(SizeType, "_p_size_type", "size_type *")                                                       \
  T(AllocatorClippingBox, "_p_std__allocatorT_ClippingBox_t", "std::allocator< ClippingBox > *")   \
  T(AllocatorSectionPlane, "_p_std__allocatorT_SectionPlane_t",                                    \
    "std::allocator< SectionPlane > *")                                                            \
  T(AllocatorBool, "_p_std__allocatorT_bool_t", "std::allocator< bool > *")                        \
  T(AllocatorDouble, "_p_std__allocatorT_double_t", "std::allocator< double > *")                  \
  T(AllocatorFloat, "_p_std__allocatorT_float_t", "std::allocator< float > *")                     \
  T(AllocatorInt, "_p_std__allocatorT_int_t", "std::allocator< int > *")                           \
  T(AllocatorStringPair, "_p_std__allocatorT_std__pairT_std__string_const_std__string_t_t",        \
    "std::allocator< std::pair< std::string const,std::string > > *")                              \
  T(AllocatorString, "_p_std__allocatorT_std__string_t", "std::allocator< std::string > *")        \
  T(LessString, "_p_std__lessT_std__string_t", "std::less< std::string > *")                       \
  W(StringStringMap, ORVAX_MAP_MANGLED, ORVAX_MAP_TEXT " *|std::map< std::string,std::string > *", \
    StringMap)                                                                                     \
  T(StringStringMapIterator, ORVAX_MAP_MANGLED "__iterator", ORVAX_MAP_TEXT "::iterator *")        \
  T(StringStringMapReverseIterator, ORVAX_MAP_MANGLED "__reverse_iterator",                        \
    ORVAX_MAP_TEXT "::reverse_iterator *")                                                         \
  W(ClippingBoxVector, ORVAX_VECTOR_MANGLED("ClippingBox"), ORVAX_VECTOR_TEXT("ClippingBox"),      \
    std::vector<ClippingBox>)                                                                      \
  W(SectionPlaneVector, ORVAX_VECTOR_MANGLED("SectionPlane"), ORVAX_VECTOR_TEXT("SectionPlane"),   \
    std::vector<SectionPlane>)                                                                     \
  W(BoolVector, ORVAX_VECTOR_MANGLED("bool"), ORVAX_VECTOR_TEXT("bool"), std::vector<bool>)        \
  W(DoubleVector, ORVAX_VECTOR_MANGLED("double"), ORVAX_VECTOR_TEXT("double"),                     \
    std::vector<double>)                                                                           \
  W(FloatVector, ORVAX_VECTOR_MANGLED("float"), ORVAX_VECTOR_TEXT("float"), std::vector<float>)    \
  W(IntVector, ORVAX_VECTOR_MANGLED("int"), ORVAX_VECTOR_TEXT("int"), std::vector<int>)            \
  W(StringVector, ORVAX_VECTOR_MANGLED("std__string"), ORVAX_VECTOR_TEXT("std::string"),           \
    std::vector<std::string>)                                                                      \
  W(WideString, "_p_std__wstring", "std::wstring *", WideString)                                   \
  T(ConstIterator, "_p_swig__ConstIterator", "swig::ConstIterator *")                              \
  T(GcValue, "_p_swig__GC_VALUE", "swig::GC_VALUE *")                                              \
  T(Iterator, "_p_swig__Iterator", "swig::Iterator *")                                             \
  T(ValueType, "_p_value_type", "value_type *")                                                    \
  T(Void, "_p_void", "VALUE|void *")
