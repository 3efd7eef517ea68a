#include "portable/OpenDialog.h"

namespace orvax {
namespace {

// The text that starts at `start`, up to its terminator or the buffer's end.
WideString textAt(const WideChar* buffer, std::size_t units, std::size_t start) {
  std::size_t end = start;
  while (end < units && buffer[end] != 0) ++end;
  return WideString(buffer + start, buffer + end);
}

}  // namespace

OpenDialogSettings openDialogSettings(platform::WindowHandle owner) {
  OpenDialogSettings settings;
  settings.structureSize = 152;
  settings.owner = owner;
  for (const FilterRow& row : kFilterRows) {
    settings.filter += widen(row.description) + WideChar(0);
    settings.filter += widen(row.patterns) + WideChar(0);
  }
  settings.filter += WideChar(0);
  settings.filterIndex = 0;
  settings.bufferUnits = 100000;
  settings.flags = kExplorerStyle | kFileMustExist | kAllowMultipleSelection | kHideReadOnly;
  settings.defaultExtension = widen("hjp");
  return settings;
}

std::vector<std::string> parseDialogSelection(const WideChar* buffer, std::size_t units,
                                              const Utf8Conversion& toUtf8) {
  std::vector<std::string> paths;
  const WideString first = textAt(buffer, units, 0);
  std::size_t next = first.size() + 1;
  if (first.empty()) return paths;
  if (next >= units || buffer[next] == 0) {
    paths.push_back(toUtf8(first));
    return paths;
  }
  while (next < units && buffer[next] != 0) {
    const WideString name = textAt(buffer, units, next);
    paths.push_back(toUtf8(first + WideChar('\\') + name));
    next += name.size() + 1;
  }
  return paths;
}

}  // namespace orvax
