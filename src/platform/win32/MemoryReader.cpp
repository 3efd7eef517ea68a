// The own process's memory through a process handle, as a debugger would read it.
#include "platform/MemoryReader.h"

#include <windows.h>

namespace orvax::platform {
namespace {

class OwnMemory final : public MemoryReader {
 public:
  explicit OwnMemory(HANDLE process) : process_(process) {}
  OwnMemory(const OwnMemory&) = delete;
  OwnMemory& operator=(const OwnMemory&) = delete;
  ~OwnMemory() override { CloseHandle(process_); }

  bool describe(std::uintptr_t address, MemoryRegion& region) override {
    MEMORY_BASIC_INFORMATION info{};
    static_assert(sizeof info == 48, "the region record of the 64-bit system");
    if (VirtualQueryEx(process_, reinterpret_cast<LPCVOID>(address), &info, sizeof info) == 0) {
      return false;
    }
    region.base = reinterpret_cast<std::uintptr_t>(info.BaseAddress);
    region.size = info.RegionSize;
    region.committed = info.State == MEM_COMMIT;
    region.readWrite = info.Protect == PAGE_READWRITE;
    return true;
  }

  std::size_t read(std::uintptr_t address, void* out, std::size_t size) override {
    SIZE_T got = 0;
    if (!ReadProcessMemory(process_, reinterpret_cast<LPCVOID>(address), out, size, &got)) {
      // A partial copy still reports what it copied.
      return GetLastError() == ERROR_PARTIAL_COPY ? got : 0;
    }
    return got;
  }

 private:
  HANDLE process_;
};

}  // namespace

std::unique_ptr<MemoryReader> openOwnMemory() {
  constexpr DWORD kAllAccess = 0x1FFFFF;
  HANDLE process = OpenProcess(kAllAccess, FALSE, GetCurrentProcessId());
  if (process == nullptr) return nullptr;
  return std::make_unique<OwnMemory>(process);
}

}  // namespace orvax::platform
