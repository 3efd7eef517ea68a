// The posix adapters against the real system: a sysfs tree and a stand-in zenity made by
// the test, and signals that interrupt a sleep.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "HostSubstitutes.h"
#include "platform/FileDialog.h"
#include "platform/Platform.h"
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
  // A serial is decoded as UTF-8 when it is UTF-8, else taken one unit a byte.
  for (const auto& [device, serial] : std::initializer_list<std::pair<const char*, const char*>>{
           {"vdb", "B2\n"},
           {"sda/device", "  S3R 1  \n"},
           {"loop0", nullptr},
           {"nvme0n1/device", "\xC3\xA9\xF0\x9F\x98\x80"},
           {"nvme1n1", "\xE9\xF0\x9F\x98"}}) {
    std::filesystem::create_directories(root.path / "block" / device);
    if (serial) std::ofstream(root.path / "block" / device / "serial") << serial;
  }
  EXPECT_TRUE(media->forEachMedium(visit));
  EXPECT_EQ(found,
            (Serials{std::nullopt, test::W(u"\u00E9\U0001F600"),
                     test::W(u"\u00E9\u00F0\u009F\u0098"), test::W(u"  S3R 1  "), test::W(u"B2")}));
}

TEST(ZenityDialog, ShowsTheFilterRowsAndTakesThePrintedPaths) {
  test::TemporaryDirectory directory;
  const std::string dir = directory.path.string(), path = std::getenv("PATH");
  // Records its arguments one per line, prints two paths and some noise on its error stream.
  std::ofstream(dir + "/zenity") << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << dir << "/arguments'\n"
                                 << "printf '/scans/a b.e57\\n/scans/d\\303\\251.las\\n'\n"
                                 << "echo noise >&2\n";
  chmod((dir + "/zenity").c_str(), 0755);
  setenv("PATH", dir.c_str(), 1);
  testing::internal::CaptureStderr();
  const std::vector<std::string> paths = fileDialog().choose(openDialogSettings(nullptr));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(paths, (std::vector<std::string>{"/scans/a b.e57", "/scans/d\xC3\xA9.las"}));
  std::stringstream arguments;
  arguments << std::ifstream(dir + "/arguments").rdbuf();
  EXPECT_EQ(arguments.str(),
            "--file-selection\n--multiple\n--separator=\n\n"
            "--file-filter=All 3D file formats | *.hjp *.e57 *.las *.laz *.qsd *.ply\n"
            "--file-filter=HJP Files (*.hjp) | *.hjp\n"
            "--file-filter=E57 Files (*.e57) | *.e57\n"
            "--file-filter=LAS LAZ Files (*.las;*.laz) | *.las *.laz\n"
            "--file-filter=QSD Files (*.qsd) | *.qsd\n"
            "--file-filter=PLY Files (*.ply) | *.ply\n");
}

TEST(Sleep, BlocksAtLeastTheTimeAskedThoughSignalsArrive) {
  struct sigaction action = {}, previous = {};
  action.sa_handler = [](int) {};  // no SA_RESTART: the signal interrupts the sleep
  ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
  itimerval timer{{0, 10000}, {0, 10000}};
  ASSERT_EQ(setitimer(ITIMER_REAL, &timer, nullptr), 0);
  const auto start = std::chrono::steady_clock::now();
  sleepMilliseconds(100);
  const auto slept = std::chrono::steady_clock::now() - start;
  timer = {};
  setitimer(ITIMER_REAL, &timer, nullptr);
  sigaction(SIGALRM, &previous, nullptr);
  EXPECT_GE(slept, std::chrono::milliseconds(100));
}

}  // namespace
}  // namespace orvax::platform
