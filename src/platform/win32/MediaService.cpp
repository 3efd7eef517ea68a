// Physical media through WMI (Win32_PhysicalMedia). COM is used as the calling thread has
// it: nothing here initialises or uninitialises it.
#include "platform/MediaService.h"

#include <windows.h>
// after windows.h, which it builds on
#include <wbemidl.h>

namespace orvax::platform {
namespace {

// Releases a COM object when it goes out of scope, on every path.
template <class T>
class Held {
 public:
  Held() = default;
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() {
    if (object_ != nullptr) object_->Release();
  }
  T* operator->() const { return object_; }
  T* get() const { return object_; }
  T** out() { return &object_; }

 private:
  T* object_ = nullptr;
};

// A system string for the length of one call.
class SystemString {
 public:
  explicit SystemString(const wchar_t* text) : text_(SysAllocString(text)) {}
  SystemString(const SystemString&) = delete;
  SystemString& operator=(const SystemString&) = delete;
  ~SystemString() { SysFreeString(text_); }
  BSTR get() const { return text_; }

 private:
  BSTR text_;
};

class WmiMedia final : public MediaService {
 public:
  bool forEachMedium(const Visit& visit) override {
    Held<IWbemLocator> locator;
    if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                reinterpret_cast<void**>(locator.out())))) {
      return false;
    }
    Held<IWbemServices> services;
    {
      SystemString space(L"ROOT\\CIMV2");
      if (FAILED(locator->ConnectServer(space.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                        services.out()))) {
        return false;
      }
    }
    if (FAILED(CoSetProxyBlanket(services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                 RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                 EOAC_NONE))) {
      return false;
    }
    Held<IEnumWbemClassObject> media;
    {
      SystemString language(L"WQL");
      SystemString query(L"SELECT SerialNumber FROM Win32_PhysicalMedia");
      if (FAILED(services->ExecQuery(language.get(), query.get(),
                                     WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                     media.out()))) {
        return false;
      }
    }
    for (;;) {
      Held<IWbemClassObject> medium;
      ULONG count = 0;
      media->Next(WBEM_INFINITE, 1, medium.out(), &count);
      if (count == 0 || medium.get() == nullptr) break;
      VARIANT value;
      VariantInit(&value);
      SystemString property(L"SerialNumber");
      if (SUCCEEDED(medium->Get(property.get(), 0, &value, nullptr, nullptr)) &&
          value.vt == VT_BSTR && value.bstrVal != nullptr) {
        visit(WideString(value.bstrVal, SysStringLen(value.bstrVal)));
      } else {
        visit(std::nullopt);
      }
      VariantClear(&value);
    }
    return true;
  }
};

}  // namespace

MediaService& mediaService() {
  static WmiMedia media;
  return media;
}

}  // namespace orvax::platform
