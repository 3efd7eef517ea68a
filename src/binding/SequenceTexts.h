#pragma once
// The type texts of the sequence classes: what argument errors name an argument or the
// receiver by, the native method names they mention, and the prototype lists of the
// overload errors. "%E" in a prototype list stands for the element, "%C" for the class.
#include <string>

#include "binding/SequenceSupport.h"

namespace orvax {

namespace sequence_text {
inline constexpr char kOpen[] = "std::vector< ";
inline constexpr char kPointer[] = " > *";
inline constexpr char kDifference[] = " >::difference_type";
inline constexpr char kSize[] = " >::size_type";
inline constexpr char kValue[] = " >::value_type const &";
inline constexpr char kIterator[] = " >::iterator";
inline constexpr char kReference[] = " > &";
inline constexpr char kConstReference[] = " > const &";
inline constexpr char kAllocator[] = ",std::allocator< ";
inline constexpr char kAllocatorConstReference[] = " > > const &";
inline constexpr char kNative[] = "std_vector_Sl_";
inline constexpr char kUnshift[] = "_Sg__unshift";
inline constexpr char kInsert[] = "_Sg__insert__SWIG_0";
inline constexpr char kNew[] = ".new";
inline constexpr char kResize[] = ".resize";

inline constexpr char kGetItem[] =
    "    VALUE __getitem__(std::vector< %E >::difference_type i, std::vector< %E "
    ">::difference_type j)\n"
    "    VALUE __getitem__(std::vector< %E >::difference_type i)\n"
    "    VALUE __getitem__(VALUE i)\n";
inline constexpr char kSetItem[] =
    "    VALUE __setitem__(std::vector< %E >::difference_type i, std::vector< %E >::value_type "
    "const &x)\n"
    "    VALUE __setitem__(std::vector< %E >::difference_type i, std::vector< %E "
    ">::difference_type j, std::vector< %E,std::allocator< %E > > const &v)\n";
inline constexpr char kErase[] =
    "    std::vector< %E >::iterator erase(std::vector< %E >::iterator pos)\n"
    "    std::vector< %E >::iterator erase(std::vector< %E >::iterator first, std::vector< %E "
    ">::iterator last)\n";
inline constexpr char kInitialize[] =
    "    %C.new()\n"
    "    %C.new(std::vector< %E > const &)\n"
    "    %C.new(std::vector< %E >::size_type size)\n"
    "    %C.new(std::vector< %E >::size_type size, std::vector< %E >::value_type const &value)\n";
inline constexpr char kResizePrototypes[] =
    "    void %C.resize(std::vector< %E >::size_type new_size)\n"
    "    void %C.resize(std::vector< %E >::size_type new_size, std::vector< %E >::value_type "
    "const &x)\n";
inline constexpr char kInsertPrototypes[] =
    "    void insert(std::vector< %E >::difference_type pos, int argc, VALUE *argv, ...)\n"
    "    void insert(std::vector< %E >::iterator pos, std::vector< %E >::value_type const &x)\n"
    "    void insert(std::vector< %E >::iterator pos, std::vector< %E >::size_type n, "
    "std::vector< %E >::value_type const &x)\n";
}  // namespace sequence_text

// "std::vector< E" followed by a suffix.
template <const char* Element, const char* Suffix>
inline constexpr const char* kVectorText = kJoined<sequence_text::kOpen, Element, Suffix>.data;

// The texts of one sequence class (see SequenceClass.h for the traits).
template <class Traits>
struct SequenceTexts {
  static constexpr const char* self = kVectorText<Traits::element, sequence_text::kPointer>;
  static constexpr const char* difference =
      kVectorText<Traits::element, sequence_text::kDifference>;
  static constexpr const char* size = kVectorText<Traits::element, sequence_text::kSize>;
  static constexpr const char* value = kVectorText<Traits::element, sequence_text::kValue>;
  static constexpr const char* iterator = kVectorText<Traits::element, sequence_text::kIterator>;
  static constexpr const char* reference = kVectorText<Traits::element, sequence_text::kReference>;
  static constexpr const char* constReference =
      kVectorText<Traits::element, sequence_text::kConstReference>;
  static constexpr const char* fullConstReference =
      kJoined<sequence_text::kOpen, Traits::element, sequence_text::kAllocator, Traits::element,
              sequence_text::kAllocatorConstReference>.data;
  static constexpr const char* unshift =
      kJoined<sequence_text::kNative, Traits::mangled, sequence_text::kUnshift>.data;
  static constexpr const char* insert =
      kJoined<sequence_text::kNative, Traits::mangled, sequence_text::kInsert>.data;
  static constexpr const char* newName = kJoined<Traits::className, sequence_text::kNew>.data;
  static constexpr const char* resizeName = kJoined<Traits::className, sequence_text::kResize>.data;

  // A prototype list of this class, expanded once.
  template <const char* Pattern>
  static const char* prototypes() {
    static const std::string text = expandElement(Pattern, Traits::element, Traits::className);
    return text.c_str();
  }
};

}  // namespace orvax
