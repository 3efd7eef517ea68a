// The own-memory reader over pages the test maps, with the pattern planted in them.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/MemoryReader.h"
#include "portable/MemoryScan.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace orvax::platform {
namespace {

constexpr std::size_t kPage = 4096;

TEST(OwnMemory, DescribesAndReadsARegionOfItsOwnUntilItIsGone) {
  // Inaccessible, read-write with the pattern, read-only: three regions.
#ifdef _WIN32
  auto* base = static_cast<unsigned char*>(
      VirtualAlloc(nullptr, 3 * kPage, MEM_COMMIT | MEM_RESERVE, PAGE_NOACCESS));
  DWORD old = 0;
  VirtualProtect(base + kPage, 2 * kPage, PAGE_READWRITE, &old);
  std::memcpy(base + kPage + 4031, kScanPattern, kPatternSize);
  VirtualProtect(base + 2 * kPage, kPage, PAGE_READONLY, &old);
#else
  auto* base = static_cast<unsigned char*>(
      mmap(nullptr, 3 * kPage, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  mprotect(base + kPage, 2 * kPage, PROT_READ | PROT_WRITE);
  std::memcpy(base + kPage + 4031, kScanPattern, kPatternSize);
  mprotect(base + 2 * kPage, kPage, PROT_READ);
#endif
  const auto address = reinterpret_cast<std::uintptr_t>(base + kPage);
  auto memory = openOwnMemory();
  ASSERT_NE(memory, nullptr);
  MemoryRegion region;
  for (std::uintptr_t other : {address - 1, address + kPage}) {
    ASSERT_TRUE(memory->describe(other, region));
    EXPECT_FALSE(region.readWrite);
    EXPECT_TRUE(other < address || region.committed);
  }
  ASSERT_TRUE(memory->describe(address, region));
  EXPECT_EQ(region.base, address);
  EXPECT_EQ(region.size, kPage);
  EXPECT_TRUE(region.committed && region.readWrite);
  EXPECT_EQ(findPatternInRegion(*memory, region), 4031u);
#ifdef _WIN32
  VirtualFree(base, 0, MEM_RELEASE);
  // wine reads its own process through page protections, freed pages included.
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) return;
#else
  munmap(base, 3 * kPage);
#endif
  unsigned char bytes[8];
  EXPECT_EQ(memory->read(address, bytes, 8), 0u);
}

}  // namespace
}  // namespace orvax::platform
