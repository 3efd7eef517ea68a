// Modules through the Windows loader.
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "platform/Platform.h"
#include "platform/win32/GrowingRead.h"
#include "platform/win32/LoadFlags.h"
#include "portable/ExportScan.h"

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

// The loader tells registered functions about every library it maps or unmaps, whoever
// asked and however. The calls are counted; the count is the module list's version.
using DllNotification = void(CALLBACK*)(ULONG reason, const void* data, void* context);
using RegisterDllNotification = LONG(NTAPI*)(ULONG flags, DllNotification notification,
                                             void* context, void** cookie);
using UnregisterDllNotification = LONG(NTAPI*)(void* cookie);

class LoaderNotifications {
 public:
  LoaderNotifications() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr) return;
    auto reg = reinterpret_cast<RegisterDllNotification>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrRegisterDllNotification")));
    unregister_ = reinterpret_cast<UnregisterDllNotification>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrUnregisterDllNotification")));
    if (reg == nullptr || unregister_ == nullptr) return;
    if (reg(0, &LoaderNotifications::notified, this, &cookie_) < 0) cookie_ = nullptr;
  }
  // The notification must not outlive this code, should the module holding it be unloaded.
  ~LoaderNotifications() {
    if (cookie_ != nullptr) unregister_(cookie_);
  }
  LoaderNotifications(const LoaderNotifications&) = delete;
  LoaderNotifications& operator=(const LoaderNotifications&) = delete;

  std::uint64_t version() const {
    return cookie_ != nullptr ? changes_.load(std::memory_order_acquire) : 0;
  }

 private:
  static void CALLBACK notified(ULONG, const void*, void* context) {
    static_cast<LoaderNotifications*>(context)->changes_.fetch_add(1, std::memory_order_acq_rel);
  }

  std::atomic<std::uint64_t> changes_{1};
  UnregisterDllNotification unregister_ = nullptr;
  void* cookie_ = nullptr;
};

class Win32ModuleLoader final : public ModuleLoader {
 public:
  WideString selfModulePath() override {
    HMODULE module = moduleOfThisCode();
    if (module == nullptr) return {};
    return win32::readGrowing<wchar_t>([module](wchar_t* buffer, std::uint32_t capacity) {
      return GetModuleFileNameW(module, buffer, capacity);
    });
  }

  ModuleHandle load(const WideString& path, DependencySearch search) override {
    return LoadLibraryExW(path.c_str(), nullptr, win32::loadLibraryFlags(search));
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

  std::uint64_t moduleListVersion() override {
    static LoaderNotifications notifications;
    return notifications.version();
  }
};

}  // namespace

ModuleLoader& moduleLoader() {
  static Win32ModuleLoader loader;
  return loader;
}

}  // namespace orvax::platform
