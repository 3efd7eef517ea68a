// Modules through the Windows loader.
#include <windows.h>

#include <cstdint>

#include "engine/ExportScan.h"
#include "platform/Platform.h"
#include "platform/win32/GrowingRead.h"

namespace orvax::platform {
namespace {

HMODULE moduleOfThisCode() {
  // By address first: it names this very copy of the extension, even when another file of
  // the same name is loaded too. The name is only a fallback.
  HMODULE module = nullptr;
  if (GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&moduleOfThisCode), &module)) {
    return module;
  }
  return GetModuleHandleW(L"ORVAX.so");
}

class Win32ModuleLoader final : public ModuleLoader {
 public:
  WideString selfModulePath() override {
    HMODULE module = moduleOfThisCode();
    if (module == nullptr) return {};
    return win32::readGrowing<wchar_t>([module](wchar_t* buffer, std::uint32_t capacity) {
      return GetModuleFileNameW(module, buffer, capacity);
    });
  }

  ModuleHandle load(const WideString& path, std::uint32_t flags) override {
    return LoadLibraryExW(path.c_str(), nullptr, flags);
  }

  bool free(ModuleHandle module) override {
    return module != nullptr && FreeLibrary(static_cast<HMODULE>(module)) != 0;
  }

  ModuleHandle findLoaded(const char* fileName) override {
    return fileName == nullptr ? nullptr : GetModuleHandleA(fileName);
  }

  void* findExport(ModuleHandle module, const char* name) override {
    // Handles with low bits set are data-file mappings, laid out as on disk, not as an image.
    if (module == nullptr || (reinterpret_cast<std::uintptr_t>(module) & 3) != 0) return nullptr;
    const auto* base = static_cast<const unsigned char*>(module);
    // The headers are read only within the mapped region that starts at the base; the
    // image size they declare then bounds the scan.
    MEMORY_BASIC_INFORMATION region{};
    if (VirtualQuery(base, &region, sizeof region) == 0) return nullptr;
    const auto* regionStart = static_cast<const unsigned char*>(region.BaseAddress);
    const std::size_t headerBytes =
        region.RegionSize - static_cast<std::size_t>(base - regionStart);
    return findExportInImage(base, declaredImageSize(base, headerBytes), name);
  }
};

}  // namespace

ModuleLoader& moduleLoader() {
  static Win32ModuleLoader loader;
  return loader;
}

}  // namespace orvax::platform
