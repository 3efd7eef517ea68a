// The system's common open-file dialog.
#include "platform/FileDialog.h"

#include <windows.h>
// after windows.h, which it builds on
#include <commdlg.h>

#include "platform/win32/OpenFileRequest.h"

namespace orvax::platform {
namespace win32 {

static_assert(sizeof(OPENFILENAMEW) == 152, "the request record of the 64-bit system");

OPENFILENAMEW openFileRequest(const OpenDialogSettings& settings, std::vector<wchar_t>& buffer) {
  buffer.assign(settings.bufferUnits, L'\0');
  OPENFILENAMEW request{};
  request.lStructSize = settings.structureSize;
  request.hwndOwner = static_cast<HWND>(settings.owner);
  request.lpstrFilter = settings.filter.c_str();
  request.nFilterIndex = settings.filterIndex;
  request.lpstrFile = buffer.data();
  request.nMaxFile = settings.bufferUnits;
  request.Flags = settings.flags;
  request.lpstrDefExt = settings.defaultExtension.c_str();
  return request;
}

std::string systemUtf8(const WideString& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes.data(), size, nullptr, nullptr);
  return bytes.c_str();  // up to the first zero byte
}

}  // namespace win32

namespace {

class CommonDialog final : public FileDialog {
 public:
  std::vector<std::string> choose(const OpenDialogSettings& settings) override {
    std::vector<wchar_t> buffer;
    OPENFILENAMEW request = win32::openFileRequest(settings, buffer);
    // Zero is a cancel or any dialog error (a selection too long for the buffer among them).
    if (GetOpenFileNameW(&request) == 0) return {};
    return parseDialogSelection(buffer.data(), buffer.size(), win32::systemUtf8);
  }
};

}  // namespace

FileDialog& fileDialog() {
  static CommonDialog dialog;
  return dialog;
}

}  // namespace orvax::platform
