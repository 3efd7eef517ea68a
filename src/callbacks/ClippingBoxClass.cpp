// The Ruby class ClippingBox: the record's field accessors. Its two lists are handed out
// as containers that refer to the record's own lists (changes through them change the
// box); such a container keeps the box's Ruby object alive.
#include <type_traits>

#include "binding/Classes.h"
#include "binding/Convert.h"
#include "binding/SequenceSupport.h"

namespace orvax {
namespace {

constexpr const char kBoxType[] = "ClippingBox *";
ClassRecord boxRecord{};

ClippingBox* box(const MethodDef& def, VALUE s) {
  return static_cast<ClippingBox*>(
      resolvedReceiver(kBoxType, def.nameInMessages(), s, descriptorOf<ClippingBox>()));
}

VALUE initialize(const MethodDef&, int, VALUE*, VALUE s) {
  // Lists handed out before stay valid.
  initializeInPlace(s, descriptorOf<ClippingBox>(), boxRecord.destroy, ClippingBox());
  return s;
}

template <auto Member>
struct Field;
template <class T, T ClippingBox::*Member>
struct Field<Member> {
  static constexpr bool isList = !std::is_arithmetic_v<T>;

  static void* resolve(VALUE owner, long) {
    ClippingBox* b = nullptr;
    if (!isOk(convertResolvedAs(owner, b, descriptorOf<ClippingBox>())) || !b) return nullptr;
    return &(b->*Member);
  }

  // A list is handed out as a container referring to the box's own list.
  static auto get(const Call& call, ClippingBox& b) {
    if constexpr (isList) {
      return RubyValue{wrapReference(descriptorOf<T>(), call.self, &resolve, 0)};
    } else {
      return b.*Member;
    }
  }

  static void set(ClippingBox& b, std::conditional_t<isList, T&, T> value) {
    if (!isList || &value != &(b.*Member)) b.*Member = value;
  }
};

template <bool (ClippingBox::*Getter)() const>
bool flag(ClippingBox& b) {
  return (b.*Getter)();
}

using BoxSelf = ReceiverOf<box>;
template <auto Body, class... Texts>
constexpr MethodDef boxRow(const char* name, Texts... typeTexts) {
  return bodyRow<BoxSelf, Body>(name, typeTexts...);
}

using Sections = Field<&ClippingBox::sSectionVector>;
using Bounds = Field<&ClippingBox::sxXyYzZ>;
using Sum = Field<&ClippingBox::mSumBBMinnMax>;
using Enabled = Field<&ClippingBox::mClippingBoxEnabled>;
using Visible = Field<&ClippingBox::mClippingBoxVisible>;

constexpr const char* kSectionsText =
    "std::vector< SectionPlane,std::allocator< SectionPlane > > *";
constexpr const char* kBoundsText = "std::vector< double,std::allocator< double > > *";

constexpr MethodDef kBoxMethods[] = {
    MethodDef{"initialize", 0, initialize, texts(), "ClippingBox"},
    named(boxRow<Sections::set>("sSectionVector=", kSectionsText), "sSectionVector"),
    boxRow<Sections::get>("sSectionVector"),
    named(boxRow<Bounds::set>("sxXyYzZ=", kBoundsText), "sxXyYzZ"),
    boxRow<Bounds::get>("sxXyYzZ"),
    named(boxRow<Sum::set>("mSumBBMinnMax=", "double"), "mSumBBMinnMax"),
    boxRow<Sum::get>("mSumBBMinnMax"),
    named(boxRow<Enabled::set>("mClippingBoxEnabled=", "bool"), "mClippingBoxEnabled"),
    boxRow<Enabled::get>("mClippingBoxEnabled"),
    named(boxRow<Visible::set>("mClippingBoxVisible=", "bool"), "mClippingBoxVisible"),
    boxRow<Visible::get>("mClippingBoxVisible"),
    boxRow<flag<&ClippingBox::get_Enabled>>("get_Enabled"),
    boxRow<flag<&ClippingBox::get_Visible>>("get_Visible"),
};

}  // namespace

void defineClippingBox(VALUE module) {
  VALUE klass = defineWrappedClass(module, "ClippingBox", rb_cObject, boxRecord, Type::ClippingBox,
                                   allocateFor<Type::ClippingBox>,
                                   [](void* p) { delete static_cast<ClippingBox*>(p); });
  defineMethods<kBoxMethods>(klass);
}

}  // namespace orvax
