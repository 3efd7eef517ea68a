#pragma once
// The narrow interfaces through which the extension reaches the operating system.
// Portable logic takes them as parameters so tests can pass substitutes.
#include <cstdint>
#include <string>
#include <string_view>

#include "portable/Utf16.h"

namespace orvax::platform {

using ModuleHandle = void*;

// Where the dependencies of a library being loaded are looked for.
enum class DependencySearch {
  // The library's own directory, then the system's default directories.
  libraryDirectoryAndDefaults,
};

class ModuleLoader {
 public:
  virtual ~ModuleLoader() = default;
  // Full path of the module that holds this code (the extension itself). Never cut:
  // a path longer than the usual 260 units is returned whole.
  virtual WideString selfModulePath() = 0;
  // Loads a library; its dependencies are searched as `search` says (where the system
  // lets the caller choose).
  virtual ModuleHandle load(const WideString& path, DependencySearch search) = 0;
  virtual bool free(ModuleHandle module) = 0;
  // The handle of an already loaded library whose file name is `fileName`, wherever
  // it was loaded from; null when none is loaded. Never loads anything.
  virtual ModuleHandle findLoaded(const char* fileName) = 0;
  // The address of the named export of a loaded library; null when it has none.
  virtual void* findExport(ModuleHandle module, const char* name) = 0;
  // A number that changes whenever any library is loaded into or unloaded from the process,
  // by anyone and by any path: while it stays the same, findLoaded and findExport answer
  // as they did. Zero when the system cannot tell (then nothing can be assumed). Cheap
  // enough to ask on every engine call.
  virtual std::uint64_t moduleListVersion() = 0;
};

ModuleLoader& moduleLoader();

// One diagnostic line on standard output: the text, end-of-line, flush.
void consoleLine(std::string_view narrow);
// A line of system UTF-16 text (paths, window titles).
void consoleWideLine(const WideString& wide);

void sleepMilliseconds(std::uint32_t ms);

#ifdef _WIN32
// What the calling thread holds in a thread-local storage index of the system (where the
// Windows interpreter keeps its execution context).
void* threadLocalValue(std::uint32_t index);
#endif

}  // namespace orvax::platform
