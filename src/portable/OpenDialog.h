#pragma once
// The multi-file open dialog: what it is asked to show, and how its answer is read.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/WindowSystem.h"

namespace orvax {

struct FilterRow {  // ASCII texts
  const char* description;
  const char* patterns;  // separated by ';'
};

// The point-cloud formats the dialog offers, in the order shown; the first is selected.
inline constexpr FilterRow kFilterRows[] = {
    {"All 3D file formats", "*.hjp;*.e57;*.las;*.laz;*.qsd;*.ply"},
    {"HJP Files (*.hjp)", "*.hjp"},
    {"E57 Files (*.e57)", "*.e57"},
    {"LAS LAZ Files (*.las;*.laz)", "*.las;*.laz"},
    {"QSD Files (*.qsd)", "*.qsd"},
    {"PLY Files (*.ply)", "*.ply"},
};

// The fields of the system's open-file request; whatever is not here is zero or null.
struct OpenDialogSettings {
  std::uint32_t structureSize = 0;
  platform::WindowHandle owner = nullptr;
  WideString filter;  // description and patterns of each row, each terminated; then an empty text
  std::uint32_t filterIndex = 0;
  std::uint32_t bufferUnits = 0;  // the file buffer's size, zero-filled before the dialog opens
  std::uint32_t flags = 0;
  WideString defaultExtension;
};

inline constexpr std::uint32_t kExplorerStyle = 0x80000;
inline constexpr std::uint32_t kFileMustExist = 0x1000;
inline constexpr std::uint32_t kAllowMultipleSelection = 0x200;
inline constexpr std::uint32_t kHideReadOnly = 0x4;

OpenDialogSettings openDialogSettings(platform::WindowHandle owner);

// The system's UTF-16 to UTF-8 conversion of one text.
using Utf8Conversion = std::function<std::string(const WideString&)>;

// Reads the buffer of a confirmed dialog: one full path followed by an empty text, or a
// directory followed by file names, the list ended by an empty text. Each directory and
// name pair is joined with a backslash, also when the directory already ends in one. A
// buffer without its final terminator ends where it ends.
std::vector<std::string> parseDialogSelection(const WideChar* buffer, std::size_t units,
                                              const Utf8Conversion& toUtf8);

}  // namespace orvax
