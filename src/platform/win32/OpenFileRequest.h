#pragma once
// The common dialog's request record as the settings fill it, for tests.
#include <windows.h>
// after windows.h, which it builds on
#include <commdlg.h>

#include <string>
#include <vector>

#include "portable/OpenDialog.h"

namespace orvax::platform::win32 {

// Fills `buffer` with settings.bufferUnits zeros and returns the request that shows it.
// The request points into `settings` and `buffer`, which must outlive it.
OPENFILENAMEW openFileRequest(const OpenDialogSettings& settings, std::vector<wchar_t>& buffer);

// WideCharToMultiByte to UTF-8 (pairs joined, an unpaired surrogate as U+FFFD).
std::string systemUtf8(const WideString& text);

}  // namespace orvax::platform::win32
