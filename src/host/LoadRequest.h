#pragma once
// The scripts' load request.
#include <string>

class MyNativeClass;

namespace orvax::host {

// Version numbers from the JSON text, load, hand the request to the engine; the engine's
// reply.
std::string LoadMultiPointCloud(MyNativeClass& facade, const std::string& request);

}  // namespace orvax::host
