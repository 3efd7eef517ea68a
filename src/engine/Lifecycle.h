#pragma once
// Loading, initialising and releasing the engine library.
#include <string>

class MyNativeClass;

namespace orvax::platform {
class ModuleLoader;
}

// Each operation reaches the system's libraries through `modules`.
namespace orvax::lifecycle {

bool LoadQPEDll(MyNativeClass& facade, platform::ModuleLoader& modules, bool show,
                long long version, long long major, long long minor);
bool TestLoadDll(MyNativeClass& facade, platform::ModuleLoader& modules, bool show,
                 const std::string& utf8Path);
void FreeQPEDll(MyNativeClass& facade, platform::ModuleLoader& modules, bool flag);

}  // namespace orvax::lifecycle
