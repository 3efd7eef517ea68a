// The own-memory reader over a region the test maps, with the pattern planted in it.
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

// Three pages: the middle one read-write (or read-only), the others inaccessible, so that
// the middle one is a region of its own.
class Mapping {
 public:
  explicit Mapping(bool readWrite) {
#ifdef _WIN32
    base_ = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, 3 * kPage, MEM_COMMIT | MEM_RESERVE, PAGE_NOACCESS));
    DWORD old = 0;
    VirtualProtect(base_ + kPage, kPage, PAGE_READWRITE, &old);
    std::memset(base_ + kPage, 0xAA, kPage);
    if (!readWrite) VirtualProtect(base_ + kPage, kPage, PAGE_READONLY, &old);
#else
    base_ = static_cast<unsigned char*>(
        mmap(nullptr, 3 * kPage, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    mprotect(base_ + kPage, kPage, PROT_READ | PROT_WRITE);
    std::memset(base_ + kPage, 0xAA, kPage);
    if (!readWrite) mprotect(base_ + kPage, kPage, PROT_READ);
#endif
  }
  ~Mapping() { release(); }
  void plant(std::size_t offset) { std::memcpy(middle() + offset, kScanPattern, kPatternSize); }
  void release() {
    if (base_ == nullptr) return;
#ifdef _WIN32
    VirtualFree(base_, 0, MEM_RELEASE);
#else
    munmap(base_, 3 * kPage);
#endif
    base_ = nullptr;
  }
  unsigned char* middle() const { return base_ + kPage; }
  std::uintptr_t address() const { return reinterpret_cast<std::uintptr_t>(base_ + kPage); }

 private:
  unsigned char* base_ = nullptr;
};

TEST(OwnMemory, DescribesAndReadsARegionOfItsOwn) {
  Mapping mapping(true);
  mapping.plant(4031);
  auto memory = openOwnMemory();
  ASSERT_NE(memory, nullptr);
  MemoryRegion region;
  ASSERT_TRUE(memory->describe(mapping.address(), region));
  EXPECT_EQ(region.base, mapping.address());
  EXPECT_EQ(region.size, kPage);
  EXPECT_TRUE(region.committed);
  EXPECT_TRUE(region.readWrite);
  EXPECT_EQ(findPatternInRegion(*memory, region), 4031u);
  unsigned char bytes[8];
  EXPECT_EQ(memory->read(mapping.address() + 4031, bytes, 8), 8u);
  EXPECT_EQ(std::memcmp(bytes, kScanPattern, 8), 0);

  // The neighbours are no read-write regions; memory gone meanwhile reads short.
  ASSERT_TRUE(memory->describe(mapping.address() - 1, region));
  EXPECT_FALSE(region.readWrite);
  mapping.release();
  EXPECT_EQ(memory->read(mapping.address(), bytes, 8), 0u);
}

TEST(OwnMemory, WalkPrintsReadWriteRegionsOnly) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the walk would cover the sanitizer's terabytes of shadow memory";
#endif
  Mapping readWrite(true);
  Mapping readOnly(false);
  auto memory = openOwnMemory();
  ASSERT_NE(memory, nullptr);
  test::RecordingConsole console;
  scanMemory(*memory, console);
  ASSERT_GE(console.lines.size(), 2u);
  EXPECT_EQ(console.lines.size() % 2, 0u);
  const std::string readWriteLine = pointerText(readWrite.address()) + " 4096";
  const std::string readOnlyLine = pointerText(readOnly.address()) + " 4096";
  bool sawReadWrite = false;
  for (std::size_t i = 0; i < console.lines.size(); i += 2) {
    EXPECT_EQ(console.lines[i], "------------------");
    EXPECT_NE(console.lines[i + 1], readOnlyLine);
    sawReadWrite = sawReadWrite || console.lines[i + 1] == readWriteLine;
  }
  EXPECT_TRUE(sawReadWrite);
}

}  // namespace
}  // namespace orvax::platform
