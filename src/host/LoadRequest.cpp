#include "host/LoadRequest.h"

#include "binding/Errors.h"
#include "engine/Binding.h"
#include "engine/Lifecycle.h"
#include "engine/MyNativeClass.h"
#include "portable/HostVersions.h"

namespace orvax::host {

std::string LoadMultiPointCloud(MyNativeClass& facade, platform::ModuleLoader& modules,
                                const std::string& request) {
  // A JSON error becomes an ArgumentError carrying the library's message, before
  // anything is loaded.
  HostVersions v;
  std::string error;
  if (!readHostVersions(request, v, error)) raise(rb_eArgError, error);
  bool loaded = lifecycle::LoadQPEDll(facade, modules, false, v.version, v.major, v.minor);
  if (loaded) engine::callSlot<engine::kSetBKVersion>(v.major);
  facade.mNativeToRuby->callAnalytics_Initialization(loaded ? "1" : "0", 0, "", "", "", "", "");
  if (loaded && engine::isBound()) return engine::callSlot<engine::kLoadRequest>(request);
  return std::string();
}

}  // namespace orvax::host
