// Media serial numbers from a sysfs tree made by the test.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "WideText.h"
#include "platform/posix/SysfsMedia.h"
#include "portable/DeviceId.h"

namespace orvax::platform {
namespace {

using test::W;
using Serials = std::vector<std::optional<WideString>>;

class SysfsMedia : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/orvax-sysfs-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + root_ + "'").c_str()); }

  void device(const std::string& name, const std::string& file, const char* serial) {
    const std::string directory = root_ + "/block/" + name + (file == "device" ? "/device" : "");
    std::system(("mkdir -p '" + directory + "'").c_str());
    if (serial) std::ofstream(directory + "/serial") << serial;
  }
  Serials serials(bool* reached = nullptr) {
    Serials found;
    const bool ok = posix::sysfsMedia(root_)->forEachMedium(
        [&](const std::optional<WideString>& serial) { found.push_back(serial); });
    if (reached) *reached = ok;
    return found;
  }

  std::string root_;
};

TEST_F(SysfsMedia, ListsBlockDevicesInNameOrder) {
  device("vdb", "", "B2\n");
  device("sda", "device", "  S3R 1  \n");
  device("loop0", "", nullptr);
  device("nvme0n1", "device", "\xC3\xA9X");
  bool reached = false;
  EXPECT_EQ(serials(&reached), (Serials{std::nullopt, W(u"\u00E9X"), W(u"  S3R 1  "), W(u"B2")}));
  EXPECT_TRUE(reached);
  auto media = posix::sysfsMedia(root_);
  EXPECT_EQ(deviceId(*media), "B2");
}

TEST_F(SysfsMedia, NoBlockDirectoryIsNoService) {
  bool reached = true;
  EXPECT_EQ(serials(&reached), Serials{});
  EXPECT_FALSE(reached);
  auto media = posix::sysfsMedia(root_);
  EXPECT_EQ(deviceId(*media), "");
  device("loop0", "", nullptr);
  EXPECT_EQ(deviceId(*media), "unknown");
}

}  // namespace
}  // namespace orvax::platform
