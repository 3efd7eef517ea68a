#pragma once
// Loading, initialising and releasing the engine library.
#include <string>

class MyNativeClass;

namespace orvax::lifecycle {

bool LoadQPEDll(MyNativeClass& facade, bool show, long long version, long long major,
                long long minor);
bool TestLoadDll(MyNativeClass& facade, bool show, const std::string& utf8Path);
void FreeQPEDll(MyNativeClass& facade, bool flag);
// The scripts' load request: version numbers from the JSON text, load, hand the request
// to the engine; the engine's reply.
std::string LoadMultiPointCloud(MyNativeClass& facade, const std::string& request);

}  // namespace orvax::lifecycle
