// Media serial numbers from a sysfs tree made by the test.
#include <gtest/gtest.h>

#include <fstream>

#include "HostSubstitutes.h"
#include "platform/posix/SysfsMedia.h"

namespace orvax::platform {
namespace {

using Serials = std::vector<std::optional<WideString>>;

TEST(SysfsMedia, ListsBlockDevicesInNameOrderOnceThereIsABlockDirectory) {
  test::TemporaryDirectory root;
  auto media = posix::sysfsMedia(root.path.string());
  Serials found;
  const auto visit = [&](const std::optional<WideString>& serial) { found.push_back(serial); };
  EXPECT_FALSE(media->forEachMedium(visit));
  for (const auto& [device, serial] : std::initializer_list<std::pair<const char*, const char*>>{
           {"vdb", "B2\n"}, {"sda/device", "  S3R 1  \n"}, {"loop0", nullptr},
           {"nvme0n1/device", "\xC3\xA9X"}}) {
    std::filesystem::create_directories(root.path / "block" / device);
    if (serial) std::ofstream(root.path / "block" / device / "serial") << serial;
  }
  EXPECT_TRUE(media->forEachMedium(visit));
  EXPECT_EQ(found, (Serials{std::nullopt, test::W(u"\u00E9X"), test::W(u"  S3R 1  "),
                            test::W(u"B2")}));
}

}  // namespace
}  // namespace orvax::platform
