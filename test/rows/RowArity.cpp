// A facade row whose type texts do not match its body's arguments must not compile.
// Built twice: as is (it compiles) and with ORVAX_WRONG_COUNT (the build must fail on the
// row's count check, and on nothing else).
#include "facade/Forwarding.h"

namespace {

bool initDll(MyNativeClass&, long long, long long, long long) { return true; }

#ifdef ORVAX_WRONG_COUNT
constexpr orvax::MethodDef kRow =
    orvax::facade::custom<initDll>("initDLL", "long long", "long long");
#else
constexpr orvax::MethodDef kRow =
    orvax::facade::custom<initDll>("initDLL", "long long", "long long", "long long");
#endif
static_assert(kRow.arity == 3, "the arity comes from the body");

}  // namespace
