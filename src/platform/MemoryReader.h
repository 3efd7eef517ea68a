#pragma once
// The process's own address space, region by region.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace orvax::platform {

struct MemoryRegion {
  std::uintptr_t base = 0;
  std::size_t size = 0;
  bool committed = false;  // backed by memory (not free or only reserved)
  bool readWrite = false;  // protection exactly read-write: no execute, guard or copy-on-write
};

class MemoryReader {
 public:
  virtual ~MemoryReader() = default;
  // The region that holds `address`; false once the address lies past the address space.
  virtual bool describe(std::uintptr_t address, MemoryRegion& region) = 0;
  // Copies up to `size` bytes from `address`; returns how many could be read (fewer when
  // the memory is gone or unreadable), never faulting.
  virtual std::size_t read(std::uintptr_t address, void* out, std::size_t size) = 0;
};

// A reader of this process's memory; null when the process cannot be opened.
std::unique_ptr<MemoryReader> openOwnMemory();

}  // namespace orvax::platform
