// The own address space from /proc/self/maps, read through process_vm_readv so that a
// mapping that goes away meanwhile reads short instead of faulting.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE  // process_vm_readv
#endif
#include "platform/MemoryReader.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

namespace orvax::platform {
namespace {

struct Mapping {
  std::uintptr_t start;
  std::uintptr_t end;
  bool readWrite;  // "rw-p": private, writable, not executable
};

class OwnMemory final : public MemoryReader {
 public:
  explicit OwnMemory(std::vector<Mapping> mappings) : mappings_(std::move(mappings)) {}

  // Mapped ranges are committed regions; the gaps between them are free regions. Past
  // the last mapping there is nothing more to describe.
  bool describe(std::uintptr_t address, MemoryRegion& region) override {
    std::uintptr_t gapStart = 0;
    for (const Mapping& mapping : mappings_) {
      if (address < mapping.start) {
        region = {gapStart, static_cast<std::size_t>(mapping.start - gapStart), false, false};
        return true;
      }
      if (address < mapping.end) {
        region = {mapping.start, static_cast<std::size_t>(mapping.end - mapping.start), true,
                  mapping.readWrite};
        return true;
      }
      gapStart = mapping.end;
    }
    return false;
  }

  std::size_t read(std::uintptr_t address, void* out, std::size_t size) override {
    std::size_t done = 0;
    while (done < size) {
      iovec local{static_cast<char*>(out) + done, size - done};
      iovec remote{reinterpret_cast<void*>(address + done), size - done};
      const ssize_t got = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    return done;
  }

 private:
  std::vector<Mapping> mappings_;
};

}  // namespace

std::unique_ptr<MemoryReader> openOwnMemory() {
  // One snapshot for the whole walk, as the maps file changes while memory is allocated.
  std::FILE* maps = std::fopen("/proc/self/maps", "r");
  if (maps == nullptr) return nullptr;
  std::vector<Mapping> mappings;
  char line[4096 + 256];
  while (std::fgets(line, sizeof line, maps) != nullptr) {
    unsigned long long start = 0, end = 0;
    char perms[5] = {};
    if (std::sscanf(line, "%llx-%llx %4s", &start, &end, perms) == 3 && start < end) {
      mappings.push_back({static_cast<std::uintptr_t>(start), static_cast<std::uintptr_t>(end),
                          std::string_view(perms) == "rw-p"});
    }
    // A path longer than the buffer continues on the next read; skip the rest of it.
    while (std::strchr(line, '\n') == nullptr && std::fgets(line, sizeof line, maps) != nullptr) {
    }
  }
  std::fclose(maps);
  return std::make_unique<OwnMemory>(std::move(mappings));
}

}  // namespace orvax::platform
