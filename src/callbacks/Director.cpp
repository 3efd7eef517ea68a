#include "callbacks/Director.h"

#include <climits>
#include <unordered_map>

#include "binding/Convert.h"
#include "binding/Errors.h"

namespace orvax {
namespace {

// The interpreter's identifier of a method name. Looking a name up hashes its text,
// which cost as much as the rest of a callback; the names are literals, so their
// addresses are keys enough. Callbacks hold the interpreter's lock: no other lock needed.
ID methodId(const char* name) {
  static std::unordered_map<const char*, ID> ids;
  auto found = ids.find(name);
  if (found != ids.end()) return found->second;
  ID id = rb_intern(name);
  ids.emplace(name, id);
  return id;
}

// Calls the script's method `name` on `self` with already converted arguments.
template <class... V>
VALUE callRuby(VALUE self, const char* name, V... args) {
  VALUE argv[sizeof...(V) + 1] = {args..., Qnil};
  int argc = static_cast<int>(sizeof...(V));
  return protect([&] { return rb_funcallv(self, methodId(name), argc, argv); });
}

}  // namespace

void INativeToRubyDirector::RubyMessageBox(const std::string& message) {
  callRuby(self(), "RubyMessageBox", textToRuby(message));
}

void INativeToRubyDirector::RubyAddScene(const std::vector<double>& values,
                                         const std::string& text) {
  VALUE array = Converter<std::vector<double>>::toRuby(values);
  callRuby(self(), "RubyAddScene", array, textToRuby(text));
}

int INativeToRubyDirector::RubyYesNoBox(const std::string& question) {
  VALUE answer = callRuby(self(), "RubyYesNoBox", textToRuby(question));
  int value = 0;
  // Integers beyond 32 bits do not fit the answer: they are a mismatch like any other.
  if (!isOk(Converter<int>::toNative(answer, value))) {
    raiseDirectorTypeMismatch(rb_eTypeError, "in output value of type 'int'");
  }
  return value;
}

void INativeToRubyDirector::getModelMatrix() { callRuby(self(), "getModelMatrix"); }
void INativeToRubyDirector::updateView() { callRuby(self(), "updateView"); }
void INativeToRubyDirector::forceUpdateView() { callRuby(self(), "forceUpdateView"); }
void INativeToRubyDirector::updateHtml() { callRuby(self(), "updateHtml"); }
void INativeToRubyDirector::initializeSettings() { callRuby(self(), "initializeSettings"); }
void INativeToRubyDirector::createClippingBox() { callRuby(self(), "createClippingBox"); }
void INativeToRubyDirector::removeClippingBox() { callRuby(self(), "removeClippingBox"); }

void INativeToRubyDirector::point_cloud_loaded(std::string text, bool flag) {
  VALUE rubyText = textToRuby(text);
  callRuby(self(), "point_cloud_loaded", rubyText, flag ? Qtrue : Qfalse);
}

void INativeToRubyDirector::callAnalytics_pointCloudLoaded(std::string text) {
  callRuby(self(), "callAnalytics_pointCloudLoaded", textToRuby(text));
}

void INativeToRubyDirector::callAnalytics_Initialization(std::string text,
                                                         unsigned long long number,
                                                         std::string text2, std::string text3,
                                                         std::string text4, std::string text5,
                                                         std::string text6) {
  VALUE a1 = textToRuby(text);
  VALUE a2 = protect([&] { return ULL2NUM(number); });
  VALUE a3 = textToRuby(text2);
  VALUE a4 = textToRuby(text3);
  VALUE a5 = textToRuby(text4);
  VALUE a6 = textToRuby(text5);
  VALUE a7 = textToRuby(text6);
  callRuby(self(), "callAnalytics_Initialization", a1, a2, a3, a4, a5, a6, a7);
}

void INativeToRubyDirector::callAnalytics_errorMessageEngagement(std::string text) {
  callRuby(self(), "callAnalytics_errorMessageEngagement", textToRuby(text));
}

void INativeToRubyDirector::callAnalytics_closeApplication(std::string text) {
  callRuby(self(), "callAnalytics_closeApplication", textToRuby(text));
}

std::vector<double> INativeToRubyDirector::getSectionPlanes() {
  VALUE result = callRuby(self(), "getSectionPlanes");
  SequenceHolder<double> holder;
  Status status = convertSequence<double>(result, holder);
  if (!isOk(status) || holder.pointer == nullptr) {
    raiseDirectorTypeMismatch(
        rb_eTypeError, "in output value of type 'std::vector< double,std::allocator< double > >'");
  }
  return *holder.pointer;
}

void INativeToRubyDirector::updateSceneObserver(std::string text) {
  callRuby(self(), "updateSceneObserver", textToRuby(text));
}

}  // namespace orvax
