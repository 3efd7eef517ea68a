// Modules on ELF systems, through the dynamic linker, behaving as the Windows calls do.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE  // dladdr1, dlinfo, dl_iterate_phdr
#endif
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/Platform.h"
#include "platform/posix/PathText.h"

namespace orvax::platform {
namespace {

std::string currentDirectory() {
  std::string buffer(PATH_MAX, '\0');
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
  return buffer.c_str();
}

struct Search {
  const char* fileName;
  std::string path;
};

int matchFileName(dl_phdr_info* info, std::size_t, void* data) {
  auto* search = static_cast<Search*>(data);
  const char* path = info->dlpi_name;
  if (path == nullptr || *path == '\0') return 0;  // the main program
  const char* slash = std::strrchr(path, '/');
  const char* fileName = slash ? slash + 1 : path;
  if (std::strcmp(fileName, search->fileName) != 0) return 0;
  search->path = path;
  return 1;
}

// The loader's counts of objects added and removed are the same in every entry: the
// first one is enough. Both only grow, so their sum changes with either of them.
int readLoadCounts(dl_phdr_info* info, std::size_t size, void* data) {
  auto* version = static_cast<std::uint64_t*>(data);
  if (size >= offsetof(dl_phdr_info, dlpi_subs) + sizeof info->dlpi_subs) {
    *version = static_cast<std::uint64_t>(info->dlpi_adds) + info->dlpi_subs;
  }
  return 1;
}

class PosixModuleLoader final : public ModuleLoader {
 public:
  WideString selfModulePath() override {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&moduleLoader), &info) == 0 || info.dli_fname == nullptr) {
      return {};
    }
    std::string path = info.dli_fname;
    // A library opened by a relative name keeps that name; it is relative to the directory
    // that was current then, which is the best guess still available.
    if (!path.empty() && path.front() != '/') {
      const std::string directory = currentDirectory();
      if (path.rfind("./", 0) == 0) path.erase(0, 2);
      if (!directory.empty()) path = directory + "/" + path;
    }
    return posix::widenPath(path);
  }

  ModuleHandle load(const WideString& path, DependencySearch) override {
    return dlopen(utf16ToUtf8(path).c_str(), RTLD_NOW | RTLD_LOCAL);
  }

  bool free(ModuleHandle module) override { return module != nullptr && dlclose(module) == 0; }

  ModuleHandle findLoaded(const char* fileName) override {
    if (fileName == nullptr) return nullptr;
    // The first one loaded wins when several of that name are. Only the path is taken
    // inside the walk: the loader's lock is held there.
    Search search{fileName, {}};
    if (dl_iterate_phdr(matchFileName, &search) == 0) return nullptr;
    // NOLOAD hands out the existing handle and counts one more reference. Like
    // GetModuleHandleA this must not pin the library, or an unload after a refused
    // initialisation would never take effect; the object stays loaded through the
    // reference that loaded it, so the handle stays valid.
    ModuleHandle module = dlopen(search.path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (module != nullptr) dlclose(module);
    return module;
  }

  void* findExport(ModuleHandle module, const char* name) override {
    if (module == nullptr || name == nullptr) return nullptr;
    void* address = dlsym(module, name);
    if (address == nullptr) return nullptr;
    // dlsym also searches the library's dependencies; GetProcAddress reads only the
    // library's own exports, so an address defined elsewhere does not count.
    link_map* own = nullptr;
    link_map* definer = nullptr;
    Dl_info info{};
    if (dlinfo(module, RTLD_DI_LINKMAP, &own) != 0 ||
        dladdr1(address, &info, reinterpret_cast<void**>(&definer), RTLD_DL_LINKMAP) == 0 ||
        own != definer) {
      return nullptr;
    }
    return address;
  }

  std::uint64_t moduleListVersion() override {
    std::uint64_t version = 0;  // a loader too old to report its counts
    dl_iterate_phdr(readLoadCounts, &version);
    return version;
  }
};

}  // namespace

ModuleLoader& moduleLoader() {
  static PosixModuleLoader loader;
  return loader;
}

}  // namespace orvax::platform
