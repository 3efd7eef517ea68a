// The Ruby class INativeToRuby that scripts subclass, and disown_INativeToRuby.
#include <cstring>
#include <string>

#include "binding/Classes.h"
#include "callbacks/Director.h"
#include "callbacks/Operation.h"

namespace orvax {
namespace {

constexpr const char kCallbackType[] = "INativeToRuby *";
ClassRecord callbackRecord{};

VALUE initialize(const MethodDef&, int, VALUE*, VALUE self) {
  std::string className = protect([&] { return std::string(rb_obj_classname(self)); });
  if (className == std::string(kModuleName) + "::INativeToRuby") {
    raise(rb_eNameError, "accessing abstract class or protected constructor");
  }
  // A second initialize keeps the first director: facades may point at it.
  if (DATA_PTR(self) == nullptr) DATA_PTR(self) = new INativeToRubyDirector(self);
  return self;
}

// The Ruby methods of the class: reached only when a script's object does not define
// the operation itself (or calls it through super), which has no body to run.
struct OwnObject {
  static INativeToRuby* object(const MethodDef& def, VALUE self) {
    return receiver<INativeToRuby>(def, self, kCallbackType);
  }
  static void check(const MethodDef& def, VALUE self, INativeToRuby* object) {
    Director* director = asDirector(object);
    if (director && director->self() == self) {
      raiseDirectorPureVirtual((std::string("INativeToRuby::") + def.name).c_str());
    }
  }
};

template <auto Op, class... Texts>
constexpr MethodDef operation(const char* name, Texts... typeTexts) {
  return operationRow<OwnObject, Op>(name, typeTexts...);
}

constexpr const char* kString = "std::string";
constexpr const char* kStringRef = "std::string const &";
using I = INativeToRuby;

constexpr MethodDef kMethods[] = {
    MethodDef{"initialize", 0, initialize, texts(), "INativeToRuby"},
    operation<&I::RubyMessageBox>("RubyMessageBox", kStringRef),
    operation<&I::RubyAddScene>(
        "RubyAddScene", "std::vector< double,std::allocator< double > > const &", kStringRef),
    operation<&I::RubyYesNoBox>("RubyYesNoBox", kStringRef),
    operation<&I::getModelMatrix>("getModelMatrix"),
    operation<&I::updateView>("updateView"),
    operation<&I::forceUpdateView>("forceUpdateView"),
    operation<&I::updateHtml>("updateHtml"),
    operation<&I::point_cloud_loaded>("point_cloud_loaded", kString, "bool"),
    operation<&I::callAnalytics_pointCloudLoaded>("callAnalytics_pointCloudLoaded", kString),
    operation<&I::callAnalytics_Initialization>("callAnalytics_Initialization", kString,
                                                "unsigned long long", kString, kString, kString,
                                                kString, kString),
    operation<&I::callAnalytics_errorMessageEngagement>("callAnalytics_errorMessageEngagement",
                                                        kString),
    operation<&I::callAnalytics_closeApplication>("callAnalytics_closeApplication", kString),
    operation<&I::getSectionPlanes>("getSectionPlanes"),
    operation<&I::initializeSettings>("initializeSettings"),
    operation<&I::createClippingBox>("createClippingBox"),
    operation<&I::removeClippingBox>("removeClippingBox"),
    operation<&I::updateSceneObserver>("updateSceneObserver", kString),
};

VALUE disown(const MethodDef& def, int, VALUE* argv, VALUE) {
  auto [object] = convertArgs<INativeToRuby*>(def, argv, 1);
  if (Director* director = object ? asDirector(object) : nullptr) {
    if (!director->disowned()) director->disown();
  }
  return Qnil;
}
constexpr MethodDef kModuleFunctions[] = {
    MethodDef{"disown_INativeToRuby", 1, disown, texts("INativeToRuby *")},
};

void destroyCallbackObject(void* pointer) { delete static_cast<INativeToRuby*>(pointer); }

// The director refers to its Ruby object by address: marking it from here keeps it where
// the director expects it when the collector compacts.
void markCallbackObject(void* pointer) {
  if (Director* director = asDirector(static_cast<INativeToRuby*>(pointer))) {
    rb_gc_mark(director->self());
  }
}

}  // namespace

void defineDisown(VALUE module) { defineMethods<kModuleFunctions>(module, true); }

void defineCallbackInterface(VALUE module) {
  VALUE klass = defineWrappedClass(module, "INativeToRuby", rb_cObject, callbackRecord,
                                   Type::INativeToRuby, allocateFor<Type::INativeToRuby>,
                                   destroyCallbackObject, markCallbackObject);
  defineMethods<kMethods>(klass);
}

}  // namespace orvax
