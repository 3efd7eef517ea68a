#pragma once
// The system's multi-file open dialog.
#include <string>
#include <vector>

#include "portable/OpenDialog.h"

namespace orvax::platform {

class FileDialog {
 public:
  virtual ~FileDialog() = default;
  // Shows the dialog with `settings` and waits until it is closed. Returns the chosen
  // files as full UTF-8 paths; empty when the user cancelled or the dialog failed.
  virtual std::vector<std::string> choose(const OpenDialogSettings& settings) = 0;
};

FileDialog& fileDialog();

}  // namespace orvax::platform
