#pragma once
// The scripts' load request.
#include <string>

class MyNativeClass;

namespace orvax::platform {
class ModuleLoader;
}

namespace orvax::host {

// Version numbers from the JSON text, load through `modules`, hand the request to the
// engine; the engine's reply.
std::string LoadMultiPointCloud(MyNativeClass& facade, platform::ModuleLoader& modules,
                                const std::string& request);

}  // namespace orvax::host
