// The WMI lookup against the system's own provider, each case on a fresh thread so that its
// COM state cannot leak into the next.
#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>

#include "platform/MediaService.h"
#include "portable/DeviceId.h"

namespace orvax::platform {

TEST(WmiMedia, AnswersWithComLeavingItAsItWasAndIsUnreachableWithoutIt) {
  std::thread([] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    int media = 0;
    EXPECT_TRUE(mediaService().forEachMedium([&](const auto&) { ++media; }));
    const std::string id = deviceId(mediaService());
    std::printf("device id: \"%s\" (%d media)\n", id.c_str(), media);
    EXPECT_NE(id, media > 0 ? "unknown" : "");  // the system's disk reports a serial number
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);  // only counted up
    CoUninitialize();
    CoUninitialize();
  }).join();
  std::thread([] {
    EXPECT_EQ(deviceId(mediaService()), "");
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);  // not done by the lookup
    CoUninitialize();
  }).join();
}

}  // namespace orvax::platform
