#pragma once
// Loading, initialising and releasing the engine library.
#include <string>

class MyNativeClass;

namespace orvax::lifecycle {

bool LoadQPEDll(MyNativeClass& facade, bool show, long long version, long long major,
                long long minor);
bool TestLoadDll(MyNativeClass& facade, bool show, const std::string& utf8Path);
void FreeQPEDll(MyNativeClass& facade, bool flag);

}  // namespace orvax::lifecycle
