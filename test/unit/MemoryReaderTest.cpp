// The own-memory reader over pages the test maps, with the pattern planted in them.
#include <gtest/gtest.h>

#include <cstring>

#include "HostSubstitutes.h"
#include "platform/MemoryReader.h"
#include "portable/Console.h"
#include "portable/MemoryScan.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace orvax::platform {
namespace {

constexpr std::size_t kPage = 4096;

// Three pages: the middle one read-write or read-only, a region of its own between two
// inaccessible ones.
class Mapping {
 public:
  explicit Mapping(bool readWrite) {
#ifdef _WIN32
    base_ = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, 3 * kPage, MEM_COMMIT | MEM_RESERVE, PAGE_NOACCESS));
#else
    base_ = static_cast<unsigned char*>(
        mmap(nullptr, 3 * kPage, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
#endif
    protect(true);
    std::memset(base_ + kPage, 0xAA, kPage);
    std::memcpy(base_ + kPage + 4031, kScanPattern, kPatternSize);
    if (!readWrite) protect(false);
  }
  ~Mapping() { release(); }
  void release() {
#ifdef _WIN32
    if (base_) VirtualFree(base_, 0, MEM_RELEASE);
#else
    if (base_) munmap(base_, 3 * kPage);
#endif
    base_ = nullptr;
  }
  std::uintptr_t address() const { return address_; }

 private:
  void protect(bool readWrite) {
    address_ = reinterpret_cast<std::uintptr_t>(base_ + kPage);
#ifdef _WIN32
    DWORD old = 0;
    VirtualProtect(base_ + kPage, kPage, readWrite ? PAGE_READWRITE : PAGE_READONLY, &old);
#else
    mprotect(base_ + kPage, kPage, readWrite ? PROT_READ | PROT_WRITE : PROT_READ);
#endif
  }
  unsigned char* base_ = nullptr;
  std::uintptr_t address_ = 0;
};

TEST(OwnMemory, DescribesAndReadsARegionOfItsOwnUntilItIsGone) {
  Mapping mapping(true);
  auto memory = openOwnMemory();
  ASSERT_NE(memory, nullptr);
  MemoryRegion region;
  ASSERT_TRUE(memory->describe(mapping.address(), region));
  EXPECT_EQ(region.base, mapping.address());
  EXPECT_EQ(region.size, kPage);
  EXPECT_TRUE(region.committed && region.readWrite);
  EXPECT_EQ(findPatternInRegion(*memory, region), 4031u);
  ASSERT_TRUE(memory->describe(mapping.address() - 1, region));
  EXPECT_FALSE(region.readWrite);
  mapping.release();
  unsigned char bytes[8];
#ifdef _WIN32
  // wine reads its own process through page protections, freed pages included.
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) return;
#endif
  EXPECT_EQ(memory->read(mapping.address(), bytes, 8), 0u);
}

TEST(OwnMemory, WalkPrintsReadWriteRegionsOnly) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the walk would cover the sanitizer's terabytes of shadow memory";
#endif
  Mapping readWrite(true), readOnly(false);
  test::RecordingConsole console;
  scanMemory(*openOwnMemory(), console);
  ASSERT_EQ(console.lines.size() % 2, 0u);
  std::size_t seen = 0;
  for (std::size_t i = 0; i < console.lines.size(); i += 2) {
    EXPECT_EQ(console.lines[i], "------------------");
    seen += console.lines[i + 1] == pointerText(readWrite.address()) + " 4096";
    EXPECT_NE(console.lines[i + 1], pointerText(readOnly.address()) + " 4096");
  }
  EXPECT_EQ(seen, 1u);
}

}  // namespace
}  // namespace orvax::platform
