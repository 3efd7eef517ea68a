// The WMI lookup against the system's own provider, with and without COM on the thread.
#include <gtest/gtest.h>
#include <objbase.h>

#include <string>
#include <thread>

#include "platform/MediaService.h"
#include "portable/DeviceId.h"

namespace orvax::platform {
namespace {

// Runs `body` on a thread of its own, so that COM state of one test cannot leak into the next.
template <class F>
void onFreshThread(F body) {
  std::thread(body).join();
}

TEST(WmiMedia, AnswersOnAThreadWithComAndLeavesItInitialised) {
  onFreshThread([] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    int media = 0;
    EXPECT_TRUE(mediaService().forEachMedium([&](const auto&) { ++media; }));
    const std::string id = deviceId(mediaService());
    std::printf("device id: \"%s\" (%d media)\n", id.c_str(), media);
    EXPECT_FALSE(id.empty());
    if (media > 0) {
      EXPECT_NE(id, "unknown");  // the system's disk reports a serial number
    }
    // Still initialised as before the lookups: a further initialisation only counts up.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
  });
}

TEST(WmiMedia, IsUnreachableWithoutComAndDoesNotInitialiseIt) {
  onFreshThread([] {
    EXPECT_EQ(deviceId(mediaService()), "");
    // Not initialised behind our back: this first initialisation is the thread's own.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CoUninitialize();
  });
}

}  // namespace
}  // namespace orvax::platform
