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
  ClippingBox* existing = nullptr;
  if (isOk(convertResolvedAs(s, existing, descriptorOf<ClippingBox>())) && existing) {
    *existing = ClippingBox();  // lists handed out before stay valid
  } else {
    DATA_PTR(s) = new ClippingBox();
    RDATA(s)->dfree = boxRecord.destroy;
  }
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

  static VALUE get(const MethodDef& def, int, VALUE*, VALUE s) {
    ClippingBox* b = box(def, s);
    if constexpr (isList) {
      (void)b;
      return wrapReference(descriptorOf<T>(), s, &resolve, 0);
    } else {
      return resultToRuby(b->*Member);
    }
  }

  static VALUE set(const MethodDef& def, int, VALUE* argv, VALUE s) {
    ClippingBox* b = box(def, s);
    if constexpr (isList) {
      auto [list] = convertArgs<T&>(def, argv);
      if (list != &(b->*Member)) b->*Member = *list;
    } else {
      auto [value] = convertArgs<T>(def, argv);
      b->*Member = value;
    }
    return Qnil;
  }
};

template <bool (ClippingBox::*Getter)() const>
VALUE flag(const MethodDef& def, int, VALUE*, VALUE s) {
  return (box(def, s)->*Getter)() ? Qtrue : Qfalse;
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
    MethodDef{"sSectionVector=", 1, Sections::set, texts(kSectionsText), "sSectionVector"},
    MethodDef{"sSectionVector", 0, Sections::get},
    MethodDef{"sxXyYzZ=", 1, Bounds::set, texts(kBoundsText), "sxXyYzZ"},
    MethodDef{"sxXyYzZ", 0, Bounds::get},
    MethodDef{"mSumBBMinnMax=", 1, Sum::set, texts("double"), "mSumBBMinnMax"},
    MethodDef{"mSumBBMinnMax", 0, Sum::get},
    MethodDef{"mClippingBoxEnabled=", 1, Enabled::set, texts("bool"), "mClippingBoxEnabled"},
    MethodDef{"mClippingBoxEnabled", 0, Enabled::get},
    MethodDef{"mClippingBoxVisible=", 1, Visible::set, texts("bool"), "mClippingBoxVisible"},
    MethodDef{"mClippingBoxVisible", 0, Visible::get},
    MethodDef{"get_Enabled", 0, flag<&ClippingBox::get_Enabled>},
    MethodDef{"get_Visible", 0, flag<&ClippingBox::get_Visible>},
};

}  // namespace

void defineClippingBox(VALUE module) {
  VALUE klass = defineWrappedClass(module, "ClippingBox", rb_cObject, boxRecord, Type::ClippingBox,
                                   allocateFor<Type::ClippingBox>,
                                   [](void* p) { delete static_cast<ClippingBox*>(p); });
  defineMethods<kBoxMethods>(klass);
}

}  // namespace orvax
